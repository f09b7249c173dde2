#pragma once
// The previews a search on a thread of its own reports, kept for the run's
// thread to show once the search ends. A search of a whole registry reports
// one per finding, so they are kept packed, each text after its length, in
// blocks: a PreviewItem apiece would cost more than its texts, and one
// growing buffer would be held twice for a moment each time it grows.
#include <cstddef>
#include <string>
#include <vector>

#include "core/Ui.h"

class KeptPreviews {
 public:
  void Add(const PreviewItem& item);
  // Each kept preview, in the order added.
  template <class Show>
  void ForEach(Show show) const {
    for (const std::string& block : blocks_)
      for (std::size_t at = 0; at < block.size();) show(Unpacked(block, at));
  }
  bool empty() const { return blocks_.empty(); }
  std::size_t size() const { return count_; }
  void clear() {
    blocks_.clear();
    count_ = 0;
  }

 private:
  static PreviewItem Unpacked(const std::string& block, std::size_t& at);
  std::vector<std::string> blocks_;
  std::size_t count_ = 0;
};
