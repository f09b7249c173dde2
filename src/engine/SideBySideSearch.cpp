#include "engine/SideBySideSearch.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <list>
#include <mutex>
#include <stop_token>
#include <thread>
#include <utility>

#include "core/Ui.h"
#include "engine/ChangeVerification.h"
#include "engine/FolderPool.h"
#include "engine/KeptUi.h"
#include "engine/Progress.h"
#include "engine/SearchThread.h"

namespace {
// What the searches share with the run's thread.
struct Board {
  std::mutex mutex;
  std::condition_variable ended;
  std::atomic<bool> cancel{false};
  std::atomic<long> items{0};  // pumps of every search so far
  int running = 0;             // under mutex
};

// One search: the run's settings (with its drive alone selected), findings
// of its own and the front end it sees, which counts its
// items, takes a cancel from the board, and keeps what it would show until
// the run's thread replays it in order.
class Lane : public KeptUi {
 public:
  Lane(Board& board, const RunPass& run, int drive)
      : settings_(drive < 0 ? run.settings : run.settings.WithDriveAlone(drive)),
        pass_(run.pass),
        board_(board),
        drive_(drive) {
    found.tally.undoName = run.findings.tally.undoName;
    found.offlineHives = run.findings.offlineHives;
  }

  // On the search's own thread; `stop` is asked when the run's thread
  // leaves the search early (it failed).
  void Search(SearchCrew& crew, const SearchTexts& texts, std::stop_token stop) {
    const SearchThreadMark searching;
    stop_ = std::move(stop);
    try {
      const std::unique_ptr<SearchWalkers> walkers = crew.WalkersFor();
      RunPass lane{settings_, pass_, found, this, &asking_};
      // A drive's folders are searched by threads of a pool of its own.
      FolderPool pool(crew, WalkThreadsOf(settings_));
      if (drive_ >= 0 && WalkThreadsOf(settings_) > 1) lane.folders = &pool;
      if (drive_ < 0)
        walkers->Registry().FindReplaceProcess(lane, texts);
      else
        walkers->Files().MapFiles(lane, texts);
    } catch (...) {
      failure = std::current_exception();
      board_.cancel = true;  // the run ends with the failure: the others need not go on
    }
    Publish();
    std::lock_guard<std::mutex> hold(board_.mutex);
    ended_ = true;
    --board_.running;
    board_.ended.notify_all();
  }

  // What the run's thread shows of this search; empty once it has ended.
  void Seen(std::string& phase, std::string& location, std::int32_t& links) const {
    phase = ended_ ? std::string() : publishedPhase_;
    location = ended_ ? std::string() : publishedPlace_;
    links = links_;
  }

  void Pump() override {
    board_.items.fetch_add(1, std::memory_order_relaxed);
    if (board_.cancel.load(std::memory_order_relaxed) || stop_.stop_requested()) found.tally.cancelled = true;
    if (++sincePublished_ >= kPublishEvery) Publish();
  }
  // The pumps of the threads of a drive's pool.
  void Walked(long items) override { board_.items.fetch_add(items, std::memory_order_relaxed); }
  // The first search in the run's order shows its previews as it goes:
  // nothing before them is still to be shown, so the run's thread passes
  // them on while it waits, and a whole registry's are never kept.
  void ShowAsItGoes() { asItGoes_ = true; }
  void ReportPreview(const PreviewItem& item) override {
    if (!asItGoes_) return KeptUi::ReportPreview(item);
    std::lock_guard<std::mutex> hold(toShowMutex_);
    toShow_.Add(item);
  }
  // On the run's thread: the previews reported since it last asked, shown.
  void ShowReported(Ui* ui) {
    KeptPreviews taken;
    {
      std::lock_guard<std::mutex> hold(toShowMutex_);
      std::swap(taken, toShow_);
    }
    if (ui) taken.ForEach([ui](const PreviewItem& item) { ui->ReportPreview(item); });
  }
  // Kept on the search's thread until published.
  void ShowPhase(const std::string& phase) override { phase_ = phase; }
  void ShowPlace(const std::string& place) override { place_ = place; }

  Findings found;
  std::exception_ptr failure;

 private:
  static constexpr int kPublishEvery = 64;
  void Publish() {
    sincePublished_ = 0;
    std::lock_guard<std::mutex> hold(board_.mutex);
    publishedPhase_ = phase_;
    publishedPlace_ = place_;
    links_ = found.tally.linkCount;
  }

  const RunSettings settings_;
  const Pass pass_;
  StopAndVerify asking_{false};  // a search asks nothing
  Board& board_;
  const int drive_;  // -1: the registry
  std::stop_token stop_;
  int sincePublished_ = 0;
  std::string phase_, place_;  // the search's own thread's
  bool asItGoes_ = false;      // set before the search's thread starts
  std::mutex toShowMutex_;
  KeptPreviews toShow_;  // under toShowMutex_
  // Under the board's mutex:
  std::string publishedPhase_, publishedPlace_;
  std::int32_t links_ = 0;
  bool ended_ = false;
};

// The selected drives' indexes, in the list's order.
std::vector<int> SelectedDrives(const RunChoices& settings) {
  std::vector<int> drives;
  for (int i = 0; i < int(settings.drives.size()); ++i)
    if (settings.drives[i].selected && !settings.drives[i].root.empty()) drives.push_back(i);
  return drives;
}

// The progress bar's step for all the searches at once.
int SharesOf(const RunChoices& settings, bool registry, bool files) {
  const int drives = settings.SelectedDriveCount();
  const Targets& targets = settings.targets;
  int share = 0;
  if (registry)
    share += StepShare(ProgressStep::MachineRegistry, targets, drives) +
             StepShare(ProgressStep::UserRegistry, targets, drives);
  if (files) share += int(SelectedDrives(settings).size()) * StepShare(ProgressStep::Drive, targets, drives);
  return share;
}

// The run's front end shows the searches under way: one phase per running
// search, the first running search's place, the links found by all.
void ShowProgressOf(RunPass& run, Board& board, const std::list<Lane>& lanes, std::int32_t linksBefore) {
  std::string phases, location;
  std::int32_t links = linksBefore;
  {
    std::lock_guard<std::mutex> hold(board.mutex);
    for (const Lane& lane : lanes) {
      std::string phase, where;
      std::int32_t found = 0;
      lane.Seen(phase, where, found);
      links += found;
      if (!phase.empty()) phases += (phases.empty() ? "" : "; ") + phase;
      if (location.empty()) location = where;
    }
  }
  if (!phases.empty()) run.ShowPhase(phases);
  run.ShowPlace(location);
  run.findings.tally.linkCount = links;
}

// Each search's findings join the run's as if it had found them itself, in
// the lanes' order.
void Merge(RunPass& run, std::list<Lane>& lanes, std::int32_t linksBefore) {
  run.findings.tally.linkCount = linksBefore;
  for (Lane& lane : lanes) {
    run.findings.Join(lane.found);
    lane.ShowReported(run.ui);
    lane.PassOn(run.ui);
  }
}
}  // namespace

int SearchLaneCount(const RunSettings& settings, bool registry, bool files) {
  return (registry ? 1 : 0) + (files ? int(SelectedDrives(settings).size()) : 0);
}

bool SearchesSideBySide(const RunSettings& settings, bool registry, bool files) {
  const int drives = files ? int(SelectedDrives(settings).size()) : 0;
  return SearchLaneCount(settings, registry, files) > 1 || (drives > 0 && WalkThreadsOf(settings) > 1);
}

void SearchSideBySide(RunPass& run, SearchCrew& crew, const SearchTexts& texts, bool registry, bool files) {
  Board board;
  std::list<Lane> lanes;  // stable addresses: each thread holds its own
  if (registry) lanes.emplace_back(board, run, -1);
  if (files)
    for (int drive : SelectedDrives(run.settings)) lanes.emplace_back(board, run, drive);
  if (!lanes.empty()) lanes.front().ShowAsItGoes();
  const std::int32_t linksBefore = run.findings.tally.linkCount;
  run.BeginStep(SharesOf(run.settings, registry, files));

  if (run.findings.tally.cancelled) board.cancel = true;
  board.running = int(lanes.size());
  // Stopped and joined however this function is left, a failure on the
  // run's thread too: a search never outlives what it reads.
  std::vector<std::jthread> threads;
  for (Lane& lane : lanes) {
    try {
      threads.emplace_back([&lane, &crew, &texts](std::stop_token stop) { lane.Search(crew, texts, std::move(stop)); });
    } catch (...) {
      // No thread for it: it searches nothing, and the run fails once the
      // others have stopped.
      lane.failure = std::current_exception();
      board.cancel = true;
      std::lock_guard<std::mutex> hold(board.mutex);
      --board.running;
    }
  }

  long counted = 0;
  for (;;) {
    {
      std::unique_lock<std::mutex> hold(board.mutex);
      if (board.ended.wait_for(hold, std::chrono::milliseconds(20), [&board] { return board.running == 0; })) break;
    }
    const long items = board.items.load(std::memory_order_relaxed);
    if (run.ui) run.ui->Walked(items - counted);
    counted = items;
    if (run.PumpCancelled()) board.cancel = true;
    ShowProgressOf(run, board, lanes, linksBefore);
    if (!lanes.empty()) lanes.front().ShowReported(run.ui);
  }
  for (std::jthread& t : threads) t.join();
  if (run.ui) run.ui->Walked(board.items.load() - counted);

  Merge(run, lanes, linksBefore);
  for (Lane& lane : lanes)
    if (lane.failure) std::rethrow_exception(lane.failure);
}
