#include "filemap/TaskWalk.h"

#include <algorithm>

#include "engine/WrittenRecord.h"

void TaskWalk::MapTasks(RunPass& run, const SearchTexts& texts) {
  const PassHold hold(run_, run);
  if (run_->PumpCancelled()) return;
  run_->ShowPhase("Searching scheduled tasks");
  run_->ShowPlace("\\");
  TaskListing listing = service_.ListTasks();
  // The run goes on without what could not be listed, and says so.
  for (const TaskFailure& f : listing.failures) run_->PassOver(f.where, "not searched: " + f.message);
  if (!listing.unlisted.empty()) {
    const std::string note = "The Task Scheduler here cannot list its tasks (" + listing.unlisted +
                             "): no scheduled task was searched.";
    run_->findings.NoteOfSearch(note);
  }
  for (const ScheduledTask& task : listing.tasks) {
    if (run_->PumpCancelled()) return;
    Visit(task, texts);
  }
}

void TaskWalk::MapListedTasks(RunPass& run, const SearchTexts& texts, const std::vector<std::string>& paths) {
  const PassHold hold(run_, run);
  for (const std::string& path : paths) {
    if (run_->PumpCancelled()) return;
    const TaskRead read = service_.ReadTask(path);
    // Gone since the search: its occurrences are named as not met.
    if (read.state == TaskRead::State::Missing) continue;
    if (read.state == TaskRead::State::Failed) {
      run_->PassOver(path, "cannot be read: " + read.failure);
      continue;
    }
    Visit(read.task, texts);
  }
}

void TaskWalk::Visit(const ScheduledTask& task, const SearchTexts& texts) {
  run_->ShowPlace(task.path);
  // Named, in a preview too, and never changed: the service would refuse it
  // without the secret, or drop the stored one.
  if (NeedsPassword(task.logon)) {
    if (text_.HoldsOccurrence(*run_, task.path, task.xml, texts)) run_->PassOver(task.path, kTaskPasswordReason);
    return;
  }
  const std::size_t firstEntry = run_->findings.changes.size();
  const std::optional<std::string> newXml = text_.RewriteText(*run_, task.path, task.xml, texts, ChangeKind::ScheduledTask);
  if (!newXml || run_->pass.FindsOnly()) return;
  Change(task, *newXml, firstEntry);
}

void TaskWalk::Change(const ScheduledTask& task, const std::string& newXml, std::size_t firstEntry) {
  const auto giveUp = [&](const std::string& reason) { run_->PassOverSince(firstEntry, task.path, reason); };
  // The user may have taken minutes over the questions.
  const TaskRead now = service_.ReadTask(task.path);
  if (now.state == TaskRead::State::Missing) return giveUp("it was deleted while the run waited for an answer");
  if (now.state == TaskRead::State::Failed) return giveUp("cannot be read: " + now.failure);
  if (now.task.xml != task.xml) return giveUp("it was changed by another program while the run waited for an answer");
  backup_.Save(run_->settings.recordsFolder + run_->findings.tally.undoName + kTaskBackupExtension, task.path, task.xml);
  Announcement announced;
  if (run_->pass.written) {
    announced = run_->pass.written->TaskPending(task.path);
    run_->pass.written->MakeDurable();
  }
  if (const std::string failure = service_.UpdateTask(task.path, newXml); !failure.empty()) {
    if (run_->pass.written) run_->pass.written->Withdraw(announced);
    return giveUp(failure);
  }
  // The service keeps the definition in its own form: what it gives back is
  // what an undo compares with. Unread, the pending line stands.
  if (run_->pass.written)
    if (const TaskRead after = service_.ReadTask(task.path); after.state == TaskRead::State::Found)
      run_->pass.written->TaskWritten(task.path, after.task.xml);
}
