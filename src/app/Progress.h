#pragma once
// Progress arithmetic of a run and the texts that report its count.
#include <string>

#include "app/MappingRequest.h"

enum class ProgressStep { MachineRegistry, UserRegistry, Drive };

// The share of one step: the registry hives by mode, a drive by mode, the
// "Registry" box and the number of selected drives (integer division).
int StepShare(ProgressStep step, char mode, const Targets& targets, int selectedDrives);
// A step that begins: the floor becomes the ceiling, the ceiling grows by the share.
void BeginStep(MappingRequest& request, int share);

// One tick of the progress refresh: back to the floor once above the
// ceiling, else one further.
int NextBarPosition(int position, int floor, int ceiling);
// The 200 ms refresh of the progress dialog (labels and bar).
void Timer2Timer(RunContext& ctx);

std::string RemappedSoFarText(int linkCount);  // "1 link remapped", "N links remapped"
std::string RemappedResultText(int linkCount);  // "1 link was remapped", "N links were remapped"

// The end pages' lines, top to bottom.
struct EndPage {
  bool finished = false;  // pnlFinish, else pnlCancelFinish
  std::string title;      // Label27 / Label68
  std::string moveLine;   // Label41 / Label70 when shown, else empty
  std::string countLine;  // Label39 / Label69
};
EndPage EndPageOf(const RunContext& ctx);
