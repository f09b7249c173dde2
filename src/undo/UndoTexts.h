#pragma once
// The undo page's own words.
inline constexpr const char* kNoChangesToUndo = "No Changes to Undo";
inline constexpr const char* kNoItemsToDelete = "There are no items to delete";
inline constexpr const char* kNoItemsToUndo = "There are no items to undo";
inline constexpr const char* kPleaseSelectAnItem = "Please select an item";
