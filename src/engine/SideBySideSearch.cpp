#include "engine/SideBySideSearch.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <list>
#include <mutex>
#include <stop_token>
#include <thread>

#include "core/Ui.h"
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

// One search: its own context and the front end it sees, which counts its
// items, takes a cancel from the board, and keeps what it would show until
// the run's thread replays it in order.
class Lane : public Ui {
 public:
  Lane(Board& board, const RunContext& run, int drive)
      : ctx(run.ForSearch(this, drive)), board_(board), drive_(drive) {}

  // On the search's own thread; `stop` is asked when the run's thread
  // leaves the search early (it failed).
  void Search(SearchCrew& crew, const SearchTexts& texts, std::stop_token stop) {
    const SearchThreadMark searching;
    stop_ = std::move(stop);
    try {
      const std::unique_ptr<SearchWalkers> walkers = crew.WalkersFor(ctx);
      if (drive_ < 0)
        walkers->Registry().FindReplaceProcess(texts);
      else
        walkers->Files().MapFiles(texts);
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
    if (board_.cancel.load(std::memory_order_relaxed) || stop_.stop_requested()) ctx.tally.cancelled = true;
    if (++sincePublished_ >= kPublishEvery) Publish();
  }
  // A search asks nothing; were it to, the answer changes nothing.
  Answer Ask(const Question&, bool&) override { return Answer::Skip; }
  // A search moves nothing.
  InUseAnswer AskItemInUse(const ItemInUse&) override { return InUseAnswer::Cancel; }
  void ShowMessage(const std::string& text, const std::string& caption) override {
    messages.emplace_back(text, caption);
  }
  void SetCursor(Cursor) override {}
  void ShowProgress() override {}
  void CloseProgress() override {}
  void StartProgressTimer() override {}
  void StopProgressTimer() override {}
  // Kept on the search's thread until published.
  void ShowPhase(const std::string& phase) override { phase_ = phase; }
  void ShowPlace(const std::string& place) override { place_ = place; }
  // The run's thread gives the bar one step for all the searches.
  void BeginStep(int) override {}
  void ReportPreview(const PreviewItem& item) override { previews.push_back(item); }

  RunContext ctx;
  std::exception_ptr failure;
  std::vector<PreviewItem> previews;
  std::vector<std::pair<std::string, std::string>> messages;

 private:
  static constexpr int kPublishEvery = 64;
  void Publish() {
    sincePublished_ = 0;
    std::lock_guard<std::mutex> hold(board_.mutex);
    publishedPhase_ = phase_;
    publishedPlace_ = place_;
    links_ = ctx.tally.linkCount;
  }

  Board& board_;
  const int drive_;  // -1: the registry
  std::stop_token stop_;
  int sincePublished_ = 0;
  std::string phase_, place_;  // the search's own thread's
  // Under the board's mutex:
  std::string publishedPhase_, publishedPlace_;
  std::int32_t links_ = 0;
  bool ended_ = false;
};

// The selected drives' indexes, in the list's order.
std::vector<int> SelectedDrives(const RunContext& ctx) {
  std::vector<int> drives;
  for (int i = 0; i < int(ctx.drives.size()); ++i)
    if (ctx.drives[i].selected && !ctx.drives[i].root.empty()) drives.push_back(i);
  return drives;
}

// The progress bar's step for all the searches at once.
int SharesOf(const RunContext& ctx, bool registry, bool files) {
  const int drives = ctx.SelectedDriveCount();
  int share = 0;
  if (registry)
    share += StepShare(ProgressStep::MachineRegistry, ctx.targets, drives) +
             StepShare(ProgressStep::UserRegistry, ctx.targets, drives);
  if (files)
    share += int(SelectedDrives(ctx).size()) * StepShare(ProgressStep::Drive, ctx.targets, drives);
  return share;
}

// The run's context shows the searches under way: one phase per running
// search, the first running search's place, the links found by all.
void ShowProgressOf(RunContext& ctx, Board& board, const std::list<Lane>& lanes, std::int32_t linksBefore) {
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
  if (!phases.empty()) ctx.ShowPhase(phases);
  ctx.ShowPlace(location);
  ctx.tally.linkCount = links;
}

// Each search's findings join the run's context as if it had found them
// itself, in the lanes' order.
void Merge(RunContext& ctx, std::list<Lane>& lanes, std::int32_t linksBefore) {
  ctx.tally.linkCount = linksBefore;
  for (Lane& lane : lanes) {
    RunContext& found = lane.ctx;
    for (ChangeEntry& e : found.changes) ctx.changes.push_back(std::move(e));
    for (PassedOver& p : found.passedOver) ctx.passedOver.push_back(std::move(p));
    for (std::string& note : found.notes) ctx.notes.push_back(std::move(note));
    ctx.tally.linkCount += found.tally.linkCount;
    if (found.tally.cancelled) ctx.tally.cancelled = true;
    if (ctx.ui) {
      for (const PreviewItem& item : lane.previews) ctx.ui->ReportPreview(item);
      for (const auto& [text, caption] : lane.messages) ctx.ui->ShowMessage(text, caption);
    }
    found.changes.clear();
    found.changes.shrink_to_fit();
  }
}
}  // namespace

int SearchLaneCount(const RunContext& ctx, bool registry, bool files) {
  return (registry ? 1 : 0) + (files ? int(SelectedDrives(ctx).size()) : 0);
}

void SearchSideBySide(RunContext& ctx, SearchCrew& crew, const SearchTexts& texts, bool registry, bool files) {
  Board board;
  std::list<Lane> lanes;  // stable addresses: each thread holds its own
  if (registry) lanes.emplace_back(board, ctx, -1);
  if (files)
    for (int drive : SelectedDrives(ctx)) lanes.emplace_back(board, ctx, drive);
  const std::int32_t linksBefore = ctx.tally.linkCount;
  ctx.BeginStep(SharesOf(ctx, registry, files));

  if (ctx.tally.cancelled) board.cancel = true;
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
    if (ctx.ui) ctx.ui->Walked(items - counted);
    counted = items;
    if (ctx.PumpCancelled()) board.cancel = true;
    ShowProgressOf(ctx, board, lanes, linksBefore);
  }
  for (std::jthread& t : threads) t.join();
  if (ctx.ui) ctx.ui->Walked(board.items.load() - counted);

  Merge(ctx, lanes, linksBefore);
  for (Lane& lane : lanes)
    if (lane.failure) std::rethrow_exception(lane.failure);
}
