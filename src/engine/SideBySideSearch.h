#pragma once
// The searches of a run side by side: the registry on one thread, each
// selected drive on one of its own. The run's thread keeps the front end
// (it pumps, shows the searches' progress and passes a cancel on); the
// findings join the run's in a fixed order, the registry first and
// then the drives in the drive list's order, whatever the threads' timing.
// A drive's folders may be searched by a pool of threads (FolderPool).
#include "engine/RunPass.h"
#include "engine/RunPorts.h"

// How many searches a run of these walks would make side by side.
int SearchLaneCount(const RunSettings& settings, bool registry, bool files);
// Whether a search of these walks goes side by side: more than one search,
// or a drive whose folders several threads search (FolderPool).
bool SearchesSideBySide(const RunSettings& settings, bool registry, bool files);

// Searches (changing and asking nothing: the pass finds only) with walkers
// the crew makes per thread, each with the run's settings and a sink of its
// own. A failure of one search stops the
// others and leaves through here once all have ended.
void SearchSideBySide(RunPass& run, SearchCrew& crew, const SearchTexts& texts, bool registry, bool files);
