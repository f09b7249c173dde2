#include "engine/SearchThread.h"

namespace {
thread_local bool tSearching = false;
}

bool OnSearchThread() { return tSearching; }

SearchThreadMark::SearchThreadMark() : outer_(tSearching) { tSearching = true; }
SearchThreadMark::~SearchThreadMark() { tSearching = outer_; }
