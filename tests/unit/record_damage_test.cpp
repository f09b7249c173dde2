// Whether an undo entry's written record names every place its change
// report lists as changed: a place it does not name means the record was cut.
#include <gtest/gtest.h>

#include "core/Fold.h"
#include "engine/RegistryWriteIndex.h"
#include "undo/RecordDamage.h"

namespace {
RegistryWrite Write(RegistryWrite::Kind kind, std::string key, std::string name, std::string newName = "") {
  RegistryWrite w;
  w.kind = kind;
  w.key = std::move(key);
  w.name = std::move(name);
  w.newName = std::move(newName);
  return w;
}

ChangeEntry Changed(std::string where, std::string value, ChangeKind kind = ChangeKind::ValueData) {
  ChangeEntry e;
  e.where = std::move(where);
  e.value = std::move(value);
  e.kind = kind;
  return e;
}
}  // namespace

// A value is named by its key and either of its names, in any case; a key
// moved names all below its old and its new place; nothing else is named.
TEST(RecordDamage, OnlyThePlacesTheRecordDoesNotNameAreDamage) {
  WrittenPlaces written;
  written.registry = {Write(RegistryWrite::Kind::Value, "HKEY_CURRENT_USER\\Software\\A", "Path"),
                      Write(RegistryWrite::Kind::Rename, "HKEY_CURRENT_USER\\Software\\B", "Old", "New"),
                      Write(RegistryWrite::Kind::KeyMove, "HKEY_CURRENT_USER\\Software\\C", "",
                            "HKEY_CURRENT_USER\\Software\\D")};
  written.files[FoldKey("C:\\a.ini")].path = "C:\\a.ini";
  ReadReport report;
  report.entries = {Changed("HKEY_CURRENT_USER\\SOFTWARE\\a", "PATH"),
                    Changed("HKEY_CURRENT_USER\\Software\\B", "Old", ChangeKind::ValueName),
                    Changed("HKEY_CURRENT_USER\\Software\\B", "new"),
                    Changed("HKEY_CURRENT_USER\\Software\\C", "", ChangeKind::KeyPath),
                    Changed("HKEY_CURRENT_USER\\Software\\D\\Sub", "x"),
                    Changed("C:\\a.ini", "", ChangeKind::SettingsLine),
                    // Not named: another value of a key the record wrote in,
                    // a key path there, a file it never wrote.
                    Changed("HKEY_CURRENT_USER\\Software\\A", "Other"),
                    Changed("HKEY_CURRENT_USER\\Software\\A", "", ChangeKind::KeyPath),
                    Changed("C:\\b.ini", "", ChangeKind::SettingsLine)};
  const RecordDamage damage = CheckWrittenRecord(written, report);
  EXPECT_EQ(damage.values, (std::vector<std::string>{PlaceText(report.entries[6]), PlaceText(report.entries[7])}));
  EXPECT_EQ(damage.files, std::vector<std::string>{"C:\\b.ini"});
  EXPECT_EQ(damage.why, "does not name 3 places its change report lists as changed");

  // Asked about a key as a whole: any value written in it.
  const RegistryWriteIndex index(written.registry);
  EXPECT_TRUE(index.NamesValueIn("hkey_current_user\\software\\b"));
  EXPECT_FALSE(index.NamesValueIn("HKEY_CURRENT_USER\\Software\\C"));
  EXPECT_TRUE(index.WithinMovedKey("HKEY_CURRENT_USER\\Software\\C"));
  EXPECT_FALSE(index.WithinMovedKey("HKEY_CURRENT_USER\\Software\\Cx"));
}
