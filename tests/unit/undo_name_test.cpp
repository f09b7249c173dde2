#include <gtest/gtest.h>

#include "engine/UndoName.h"
#include "undo/UndoStore.h"

namespace {

TEST(UndoName, ReadsAndWritesTheRecordsNamesAndNothingElse) {
  for (int n : {0, 7, 42, 99999}) {
    const std::optional<UndoName> name = UndoName::OfNumber(n);
    ASSERT_TRUE(name) << n;
    EXPECT_EQ(UndoName::Parse(name->Text()), name);
  }
  EXPECT_EQ(UndoName::OfNumber(3)->Text(), "Undo00003");
  EXPECT_EQ(UndoName::OfNumber(3)->FileName(".after"), "Undo00003.after");
  EXPECT_FALSE(UndoName::OfNumber(-1));
  EXPECT_FALSE(UndoName::OfNumber(100000));
  // The file system keeps names without case: written back as the records are named.
  EXPECT_EQ(UndoName::Parse("uNDO00042")->Text(), "Undo00042");
  for (const char* text : {"", "Undo", "Undo0003", "Undo000003", "Undo0000x", "Undo-0001", "Undo 0001", "Undo00001.zip",
                           " Undo00001", "Undo\xD9\xA0\xD9\xA0\xD9\xA0"})
    EXPECT_FALSE(UndoName::Parse(text)) << text;
  EXPECT_LT(*UndoName::OfNumber(9), *UndoName::OfNumber(10));
}

// Any file of an entry belongs to it by its name; the store lists only the
// kinds of record it writes.
TEST(UndoName, FilesBelongToTheirEntryByName) {
  EXPECT_EQ(UndoName::OfFileName("Undo00042.zip")->Number(), 42);
  EXPECT_EQ(UndoName::OfFileName("UNDO00042.tasks.tmp")->Number(), 42);
  EXPECT_EQ(UndoName::OfFileName("Undo00042.")->Number(), 42);
  for (const char* file : {"Undo00042", "Undo00042zip", "Undo0042.zip", "Undo000042.zip", "Undo notes.txt"})
    EXPECT_FALSE(UndoName::OfFileName(file)) << file;
  EXPECT_EQ(RecordFileEntry("undo00005.AFTER")->Number(), 5);
  EXPECT_EQ(RecordFileEntry("Undo00005.tasks")->Number(), 5);
  EXPECT_FALSE(RecordFileEntry("Undo00005.txt"));
  EXPECT_FALSE(RecordFileEntry("Undo00005.after.txt"));
}

}  // namespace
