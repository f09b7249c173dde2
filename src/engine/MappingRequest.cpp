#include "engine/MappingRequest.h"

#include "core/Text.h"
#include "core/Ui.h"

std::string RequestRefusal(const MappingRequest& r) {
  if (r.FindText == r.ReplaceText)
    return "The text to find and the text to replace it with are the same (" + r.FindText +
           "): there is nothing to change.";
  if (r.Mode != 'M') return "";
  const std::string from = RemoveSlash(r.FindText), to = RemoveSlash(r.ReplaceText);
  if (EqualFold(from, to)) return from + " is already there: there is nothing to move.";
  const std::size_t head = FoldPrefixLength(to, from);
  if (head != kNotFound && head < to.size() && to[head] == '\\')
    return from + " cannot be moved into itself (" + to + ").";
  return "";
}

bool RunContext::PumpCancelled() {
  if (ui) ui->Pump();
  return request.Cancelled;
}

int RunContext::SelectedDriveCount() const {
  int n = 0;
  for (const DriveRow& d : drives) n += d.selected ? 1 : 0;
  return n;
}
