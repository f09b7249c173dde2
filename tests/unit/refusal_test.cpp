#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <set>

#include "engine/ItemInUseCheck.h"
#include "engine/Refusal.h"
#include "engine/Findings.h"
#include "engine/RunSettings.h"
#include "regmap/RegBackup.h"
#include "support/Cp1252.h"
#include "support/FakeProcessesAndServices.h"
#include "support/FakeUi.h"
#include "support/MemoryRegistry.h"

namespace {

// Each reason is said, in words of its own, with the place and what the
// platform said wherever the sentence names them; a row's words are the
// sentence's, and a thrown refusal says the sentence.
TEST(Refusals, EveryReasonHasWordsOfItsOwn) {
  std::set<std::string> seen;
  for (int i = 0; i <= static_cast<int>(kLastRefusalReason); ++i) {
    const EngineRefusal r{static_cast<RefusalReason>(i), "C:\\Place", "what the system said"};
    const std::string text = RefusalText(r), why = RefusalWhy(r);
    EXPECT_FALSE(why.empty()) << i;
    EXPECT_NE(text.find(why.substr(why.find(' ') + 1)), std::string::npos) << i << ": " << text;
    EXPECT_TRUE(seen.insert(text).second) << i << " says what another reason says: " << text;
    EXPECT_STREQ(Refused(r).what(), text.c_str()) << i;
    // A detail given is never dropped where the sentence has room for one.
    const EngineRefusal plain{r.reason, r.place, ""};
    if (RefusalText(plain) != text) {
      EXPECT_NE(text.find(r.detail), std::string::npos) << i << ": " << text;
    }
  }
}

std::optional<RefusalReason> ReasonThrownBy(const std::function<void()>& act) {
  try {
    act();
  } catch (const Refused& r) {
    return r.refusal().reason;
  } catch (const std::exception&) {
  }
  return std::nullopt;
}

// What a caller may tell apart reaches it as the reason, not only as words.
TEST(Refusals, ARefusalReachesItsCallerAsItsReason) {
  // Nobody to ask while a program runs from the item.
  RunChoices settings;
  Findings findings;
  FakeProcessesAndServices system;
  system.programs = {{"C:\\W3Run\\a.exe", 10}};
  ItemInUseCheck unasked(settings, findings, nullptr, &system);
  EXPECT_TRUE(ReasonThrownBy([&] { unasked.ClearForMove("C:\\W3Run"); }) == RefusalReason::ItemInUse);

  // A service that will not stop, named as the user knows it.
  FakeUi ui;
  ui.inUseReplies = {InUseAnswer::StopServices};
  system.programs.clear();
  system.services = {{"W3Sleeper", "W3 Sleeper", "C:\\W3Run\\w3sleeper.exe", true, 42}};
  system.stopFailure["W3Sleeper"] = "Access is denied.";
  ItemInUseCheck asked(settings, findings, &ui, &system);
  try {
    asked.ClearForMove("C:\\W3Run");
    ADD_FAILURE() << "cleared";
  } catch (const Refused& r) {
    EXPECT_TRUE(r.refusal().reason == RefusalReason::ServiceWouldNotStop);
    EXPECT_EQ(r.refusal().place, "The service W3 Sleeper (W3Sleeper)");
    EXPECT_EQ(r.refusal().detail, "Access is denied.");
  }

  // A registry backup in the ANSI form that cannot hold the name.
  Cp1252 cp;
  EXPECT_TRUE(ReasonThrownBy([&] {
                ValueLines("s", kRegSz, Utf16Data(u"数据"), {4, RegTextStorage::Ansi}, &cp);
              }) == RefusalReason::AnsiCannotHold);
}

}  // namespace
