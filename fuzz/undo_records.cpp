// The undo's reading of a run's records: a written record and a registry
// backup, both hand-made or damaged, planned against an in-memory registry
// that holds part of what they name. Properties: the written record's
// reader never fails; the plan has a verdict for every line; planning again
// before applying gives the same plan; applying it leaves no key open. The
// task backup's reader, on the same bytes, never fails, and what it reads
// goes through its writer and back unchanged.
#include <cstdint>
#include <string>

#include "FuzzCheck.h"
#include "core/Error.h"
#include "engine/TaskBackup.h"
#include "engine/WrittenRecord.h"
#include "regmap/RegImport.h"
#include "regmap/RegRestore.h"
#include "support/Cp1252.h"
#include "support/FakeFileSystem.h"
#include "support/MemoryRegistry.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(bytes), size);
  // The record, then the backup, split at the first form feed.
  const std::size_t cut = input.find('\f');
  const std::string_view record = input.substr(0, cut);
  const std::string_view backup = cut == std::string_view::npos ? std::string_view() : input.substr(cut + 1);
  const WrittenPlaces places = ReadWrittenRecord(record);
  const auto saved = ReadTaskBackup(record);
  if (!saved.empty()) {
    FakeFileSystem fs;
    fs.AddFolder("C:\\R");
    TaskBackup writer(fs);
    for (const auto& [key, task] : saved) writer.Save("C:\\R\\Undo00000.tasks", task.path, task.xml);
    const auto again = ReadTaskBackup(fs.ReadWhole("C:\\R\\Undo00000.tasks"));
    FUZZ_CHECK(again.size() == saved.size());
    for (const auto& [key, task] : saved) FUZZ_CHECK(again.count(key) && again.at(key).xml == task.xml);
  }
  Cp1252 ansi;
  ParsedRegFile parsed;
  try {
    parsed = ParseRegText(backup, ansi);
  } catch (const Error&) {
    return 0;
  }
  MemoryRegistry reg;
  reg.PutText(RegRoot::CurrentUser, "Software\\A", "v", "C:\\New\\x");
  reg.PutText(RegRoot::CurrentUser, "Software\\B\\C:\\New", "", "k");

  for (bool force : {false, true}) {
    const RegistryRestorePlan plan = PlanRegistryRestore(reg, parsed, places.registry, force);
    FUZZ_CHECK(plan.take.size() == parsed.ops.size());
    const RegistryRestorePlan again = PlanRegistryRestore(reg, parsed, places.registry, force);
    FUZZ_CHECK(again.take == plan.take);
    std::size_t i = 0;
    ApplyRegOps(reg, parsed, [&](const RegOp&) { return plan.take[i++]; });
    FUZZ_CHECK(i == parsed.ops.size());
    FUZZ_CHECK(reg.openHandles() == 0);
  }
  UncoveredWrites(parsed, places.registry);
  return 0;
}
