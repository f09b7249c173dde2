// A run's settings are checked once, when they are made; a search side by
// side gets the run's settings with its own drive and findings of its own.
#include <gtest/gtest.h>

#include "core/Error.h"
#include "engine/RunSettings.h"

TEST(RunSettings, ARequestThatMustNotRunIsRefusedWhenTheSettingsAreMade) {
  RunChoices same;
  same.request = {"C:\\Data", "C:\\Data", false, RunMode::MapOnly};
  try {
    const RunSettings settings(same);
    ADD_FAILURE() << "the same text to find and to put was taken";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("nothing to change"), std::string::npos) << e.what();
  }
  RunChoices intoItself;
  intoItself.request = {"C:\\Data", "C:\\Data\\Inside", false, RunMode::MoveAndMap};
  EXPECT_THROW(RunSettings{intoItself}, Error);

  RunChoices fine;
  fine.request = {"C:\\Data", "D:\\Data", false, RunMode::MapOnly};
  fine.drives = {{"C", "C:\\", true}, {"D", "D:\\", true}, {"E", "E:\\", false}};
  const RunSettings settings(fine);
  // A search of one drive: that drive alone, the run's own left as chosen.
  const RunSettings lane = settings.WithDriveAlone(2);
  EXPECT_EQ(lane.SelectedDriveCount(), 1);
  EXPECT_TRUE(lane.drives[2].selected);
  EXPECT_EQ(settings.SelectedDriveCount(), 2);
  EXPECT_EQ(lane.request.ReplaceText, "D:\\Data");
}
