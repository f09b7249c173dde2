#include "engine/DurableBatch.h"

#include <algorithm>

#include "core/Error.h"

DurableBatch::~DurableBatch() {
  // A walker commits or discards before it returns; what is left here was
  // never made durable on purpose, so it is not made.
  if (!changes_.empty()) {
    std::vector<Change> left = std::move(changes_);
    changes_.clear();
    TellUnmade(left, 0, "the run stopped before it was made");
  }
}

void DurableBatch::Queue(std::vector<DurableFile*> files, std::function<void()> make,
                         std::function<void(const std::string& why)> unmade) {
  // A full batch is made before this change joins the next one: the changes
  // in it are all recorded by now (the caller records a change after queueing it).
  if (changes_.size() >= limit_) Commit();
  for (DurableFile* f : files)
    if (f && std::find(files_.begin(), files_.end(), f) == files_.end()) files_.push_back(f);
  changes_.push_back({std::move(make), std::move(unmade)});
}

void DurableBatch::TellUnmade(std::vector<Change>& changes, std::size_t from, const std::string& why) {
  for (std::size_t i = from; i < changes.size(); ++i) {
    try {
      changes[i].unmade(why);
    } catch (const std::exception&) {
      // The record itself failed: the run stops on the first Error already.
    }
  }
}

void DurableBatch::Commit() {
  std::vector<Change> changes = std::move(changes_);
  std::vector<DurableFile*> files = std::move(files_);
  changes_.clear();
  files_.clear();
  std::size_t next = 0;
  try {
    for (DurableFile* f : files) f->MakeDurable();
    while (next < changes.size()) {
      Change& c = changes[next++];
      try {
        c.make();
      } catch (const Error& e) {
        c.unmade(e.what());
      }
    }
  } catch (const std::exception& e) {
    TellUnmade(changes, next, e.what());
    for (DurableFile* f : files) f->LetGo();
    throw;
  }
}

void DurableBatch::Discard(const std::string& why) {
  std::vector<Change> changes = std::move(changes_);
  std::vector<DurableFile*> files = std::move(files_);
  changes_.clear();
  files_.clear();
  TellUnmade(changes, 0, why);
  for (DurableFile* f : files) f->LetGo();
}
