#pragma once
// The folders of one drive searched by a few threads at once. Listing a
// folder waits on the disk (or the network), and more requests in flight
// list more folders a second than one thread does. Each thread has walkers
// of its own (the crew's) and each folder findings of its own; those join
// the pass's findings in the order one walker going depth first meets them,
// whatever the threads' timing, so that a preview, a run and its report name
// the same places in the same order every time.
#include <string>
#include <vector>

#include "engine/RunPass.h"
#include "engine/SearchTexts.h"

class SearchCrew;

// The most threads one drive's walk takes: each holds walkers of its own,
// and a disk answers only so many requests at once.
inline constexpr int kMaxWalkThreads = 8;

// The threads that walk each drive: as the settings ask, else one per
// processor; at most kMaxWalkThreads.
int WalkThreadsOf(const RunChoices& settings);

class FolderPool {
 public:
  FolderPool(SearchCrew& crew, int threads) : crew_(crew), threads_(threads) {}

  // Each folder and every folder below it (as the walkers' SearchFolder
  // gives them), their findings joined to the pass's in the folders' order.
  // For a pass that finds only: the walkers change nothing. Returns once
  // every thread has ended; a cancel of the pass stops them all, and a
  // walker's failure stops the others and leaves through here.
  void Walk(RunPass& run, const std::vector<std::string>& folders, const SearchTexts& texts);

 private:
  SearchCrew& crew_;
  const int threads_;
};
