#include <gtest/gtest.h>

#include <set>

#include "engine/Refusal.h"

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
    if (RefusalText(plain) != text) EXPECT_NE(text.find(r.detail), std::string::npos) << i << ": " << text;
  }
}

}  // namespace
