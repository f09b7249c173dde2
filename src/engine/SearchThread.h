#pragma once
// The threads of the searches side by side are marked, so that what must
// never be done by a search (a backup, a write) can refuse such a caller.

// True on a thread that searches beside the run's own.
bool OnSearchThread();

// Marks the calling thread as a search thread for the mark's life.
class SearchThreadMark {
 public:
  SearchThreadMark();
  ~SearchThreadMark();
  SearchThreadMark(const SearchThreadMark&) = delete;
  SearchThreadMark& operator=(const SearchThreadMark&) = delete;

 private:
  bool outer_;
};
