#pragma once
// Durable before the change, by batch (group commit). A change is queued
// once its backup and its line in the written record are written (not yet
// flushed); the batch is committed when it is full, before anything that
// needs its changes made (a question to the user, a change whose outcome the
// walk goes on from) and at the end of a walker's call: each file that holds
// the batch's backups and record lines is flushed once, and only then are
// the batch's changes made, in the order queued. A change that is not made
// says so through its `unmade` step (withdrawn from the record, passed over
// in the findings).
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

// A file a batch makes durable before its changes: a backup, the record.
class DurableFile {
 public:
  virtual ~DurableFile() = default;
  // What was written into the file since the last call is on disk when it
  // returns (nothing is done when nothing was). Throws Error.
  virtual void MakeDurable() = 0;
  // The batch was given up: whatever the file holds open is let go, unflushed.
  virtual void LetGo() = 0;
};

class DurableBatch {
 public:
  // Enough to make the flushes a small share of a large apply; few enough
  // that a batch's changes stay cheap to hold.
  static constexpr std::size_t kDefaultLimit = 512;
  explicit DurableBatch(std::size_t limit = kDefaultLimit) : limit_(limit ? limit : 1) {}
  DurableBatch(const DurableBatch&) = delete;
  DurableBatch& operator=(const DurableBatch&) = delete;
  ~DurableBatch();

  // `make` makes one change (throws Error when it can't); `unmade` is told
  // why a change was not made. The files hold the change's backup and
  // record lines. A full batch is committed here, before this change joins
  // the next.
  void Queue(std::vector<DurableFile*> files, std::function<void()> make,
             std::function<void(const std::string& why)> unmade);
  // Flushes the batch's files once each, then makes its changes. When a
  // file cannot be made durable none of them is made, and the Error goes on.
  void Commit();
  // Nothing queued is made (the run stops on an Error): each is told so.
  void Discard(const std::string& why);
  bool Empty() const { return changes_.empty(); }

  // Runs a walker's call and commits what it queued; on an Error the
  // queued changes are discarded and the Error goes on.
  template <class Work>
  void Around(Work&& work) {
    try {
      work();
    } catch (const std::exception& e) {
      Discard(e.what());
      throw;
    }
    Commit();
  }

 private:
  struct Change {
    std::function<void()> make;
    std::function<void(const std::string&)> unmade;
  };
  static void TellUnmade(std::vector<Change>& changes, std::size_t from, const std::string& why);

  std::size_t limit_;
  std::vector<DurableFile*> files_;
  std::vector<Change> changes_;
};
