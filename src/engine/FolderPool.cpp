#include "engine/FolderPool.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>

#include "core/Error.h"
#include "core/ScopeExit.h"
#include "engine/KeptUi.h"
#include "engine/RunPorts.h"
#include "engine/SearchThread.h"

int WalkThreadsOf(const RunChoices& settings) {
  const int asked = settings.walkThreads > 0 ? settings.walkThreads : int(std::thread::hardware_concurrency());
  return std::clamp(asked, 1, kMaxWalkThreads);
}

namespace {
struct Shared;

// What one folder's search found, kept until its turn to join the pass's.
class FolderFound : public KeptUi {
 public:
  FolderFound(Shared& shared, const Findings& run);
  void Pump() override;
  // The pool's caller shows where the walk is.
  void ShowPhase(const std::string&) override {}
  void ShowPlace(const std::string&) override {}
  bool Empty() const {
    return found.changes.empty() && found.passedOver.empty() && found.notes.empty() && found.searchNotes.empty() &&
           found.tally.linkCount == 0 && KeptNothing();
  }

  Findings found;

 private:
  Shared& shared_;
};

// A folder of the walk: searched once by one thread, joined once, in order.
struct Folder {
  explicit Folder(std::string p) : path(std::move(p)) {}
  std::string path;
  // Set together, under the mutex, by the thread that searched it.
  bool searched = false;
  std::vector<std::unique_ptr<Folder>> below;
  std::unique_ptr<FolderFound> found;  // none when it found nothing
};

// What the threads and the caller share.
struct Shared {
  std::mutex mutex;
  std::condition_variable work;      // folders to search, or the end
  std::condition_variable searched;  // a folder searched, or a thread ended
  std::vector<Folder*> waiting;      // the next to search at the back
  long unsearched = 0;               // waiting or being searched
  int running = 0;                   // threads not yet ended
  std::string place;                 // the folder searched last begun
  std::exception_ptr failure;
  std::atomic<bool> stop{false};
  std::atomic<long> pumps{0};  // the walkers' pumps, told to the caller's front end

  void Stop() {
    stop = true;
    work.notify_all();
    searched.notify_all();
  }
};

FolderFound::FolderFound(Shared& shared, const Findings& run) : shared_(shared) {
  found.tally.undoName = run.tally.undoName;
  found.offlineHives = run.offlineHives;
}

void FolderFound::Pump() {
  shared_.pumps.fetch_add(1, std::memory_order_relaxed);
  if (shared_.stop.load(std::memory_order_relaxed)) found.tally.cancelled = true;
}

// Joins the folders searched, in the order one walker meets them (each
// folder, then each folder below it with all below that, in turn), as far
// as the next one is searched. `cursor` holds the folders on the way down
// and the index of the next folder below each. Once the threads have ended,
// `rest` passes over what was never searched (a cancel, a failure).
class Joiner {
 public:
  Joiner(RunPass& run, Folder& top) : run_(run) { cursor_.push_back({&top, 0}); }

  // Under the mutex.
  bool NextSearched() const {
    if (cursor_.empty()) return false;
    const auto& [folder, next] = cursor_.back();
    return next == folder->below.size() || folder->below[next]->searched;
  }
  void JoinSearched(bool rest) {
    while (!cursor_.empty()) {
      auto& [folder, next] = cursor_.back();
      if (next == folder->below.size()) {
        folder->below.clear();  // all joined: the memory goes as the walk goes
        cursor_.pop_back();
        continue;
      }
      Folder* const sub = folder->below[next].get();
      if (!sub->searched) {
        if (!rest) return;
        ++next;
        continue;
      }
      ++next;
      if (sub->found) {
        run_.findings.Join(sub->found->found);
        sub->found->PassOn(run_.ui);
        sub->found.reset();
      }
      cursor_.push_back({sub, 0});
    }
  }

 private:
  RunPass& run_;
  std::vector<std::pair<Folder*, std::size_t>> cursor_;
};

// One thread of the pool: takes the folder at the back (the walk stays
// close to depth first, so what waits to be joined stays small), searches
// it with its own walkers and findings, and leaves the folders below it
// for any thread.
void SearchFolders(Shared& shared, SearchCrew& crew, const RunPass& run, const SearchTexts& texts) {
  const SearchThreadMark searching;
  try {
    const std::unique_ptr<SearchWalkers> walkers = crew.WalkersFor();
    FileMapper& files = walkers->Files();
    for (;;) {
      Folder* folder = nullptr;
      {
        std::unique_lock<std::mutex> hold(shared.mutex);
        shared.work.wait(hold, [&] { return shared.stop || !shared.waiting.empty() || shared.unsearched == 0; });
        if (shared.stop || shared.waiting.empty()) break;
        folder = shared.waiting.back();
        shared.waiting.pop_back();
        shared.place = folder->path;
      }
      auto found = std::make_unique<FolderFound>(shared, run.findings);
      RunPass pass{run.settings, run.pass, found->found, found.get(), nullptr};
      const std::vector<std::string> below = files.SearchFolder(pass, folder->path, texts);
      std::vector<std::unique_ptr<Folder>> subs;
      subs.reserve(below.size());
      for (const std::string& path : below) subs.push_back(std::make_unique<Folder>(path));
      std::lock_guard<std::mutex> hold(shared.mutex);
      for (auto sub = subs.rbegin(); sub != subs.rend(); ++sub) shared.waiting.push_back(sub->get());
      shared.unsearched += long(subs.size()) - 1;
      folder->below = std::move(subs);
      if (!found->Empty()) folder->found = std::move(found);
      folder->searched = true;
      shared.work.notify_all();
      shared.searched.notify_all();
    }
  } catch (...) {
    std::lock_guard<std::mutex> hold(shared.mutex);
    if (!shared.failure) shared.failure = std::current_exception();
    shared.Stop();
  }
  std::lock_guard<std::mutex> hold(shared.mutex);
  --shared.running;
  shared.searched.notify_all();
}
}  // namespace

void FolderPool::Walk(RunPass& run, const std::vector<std::string>& folders, const SearchTexts& texts) {
  if (folders.empty()) return;
  Shared shared;
  Folder top{""};
  top.searched = true;
  for (const std::string& path : folders) top.below.push_back(std::make_unique<Folder>(path));
  for (auto sub = top.below.rbegin(); sub != top.below.rend(); ++sub) shared.waiting.push_back(sub->get());
  shared.unsearched = long(folders.size());
  if (run.findings.tally.cancelled) shared.stop = true;
  Joiner joiner(run, top);

  {
    // Stopped and joined however this block is left (the caller's front
    // end may fail under its pump): no thread outlives what it reads.
    std::vector<std::jthread> threads;
    const ScopeExit stopAll{[&shared] {
      std::lock_guard<std::mutex> hold(shared.mutex);
      shared.Stop();
    }};
    for (int i = 0; i < threads_; ++i) {
      try {
        std::lock_guard<std::mutex> hold(shared.mutex);
        threads.emplace_back([&shared, this, &run, &texts] { SearchFolders(shared, crew_, run, texts); });
        ++shared.running;
      } catch (...) {
        // Fewer threads search; with none, the walk fails.
        if (!threads.empty()) break;
        throw;
      }
    }
    long told = 0;
    for (bool ended = false; !ended;) {
      std::string place;
      {
        std::unique_lock<std::mutex> hold(shared.mutex);
        shared.searched.wait_for(hold, std::chrono::milliseconds(20),
                                 [&] { return shared.running == 0 || joiner.NextSearched(); });
        ended = shared.running == 0;
        joiner.JoinSearched(false);
        place = shared.place;
      }
      const long pumps = shared.pumps.load(std::memory_order_relaxed);
      if (run.ui) run.ui->Walked(pumps - told);
      told = pumps;
      if (run.PumpCancelled()) {
        std::lock_guard<std::mutex> hold(shared.mutex);
        shared.Stop();
      }
      run.ShowPlace(place);
    }
  }
  // Every thread has ended: what a cancel or a failure left unsearched is
  // passed by, what was searched joins.
  joiner.JoinSearched(true);
  if (shared.failure) std::rethrow_exception(shared.failure);
}

std::vector<std::string> FileMapper::SearchFolder(RunPass&, const std::string& folder, const SearchTexts&) {
  throw Error("The folder " + folder + " cannot be searched on its own by this walker.");
}
