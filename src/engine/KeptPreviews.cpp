#include "engine/KeptPreviews.h"

#include <cstdint>
#include <initializer_list>

namespace {
constexpr std::size_t kBlockBytes = 64 * 1024;

void PutText(std::string& block, const std::string& text) {
  const std::uint32_t size = std::uint32_t(text.size());
  for (int shift = 0; shift < 32; shift += 8) block += char((size >> shift) & 0xFF);
  block += text;
}

std::string TakeText(const std::string& block, std::size_t& at) {
  std::uint32_t size = 0;
  for (int shift = 0; shift < 32; shift += 8) size |= std::uint32_t(static_cast<unsigned char>(block[at++])) << shift;
  std::string text = block.substr(at, size);
  at += size;
  return text;
}
}  // namespace

void KeptPreviews::Add(const PreviewItem& item) {
  const std::size_t bytes = 16 + item.place.size() + item.name.size() + item.oldText.size() + item.newText.size();
  // A preview is never split between blocks; one larger than a block has a block of its own.
  if (blocks_.empty() || blocks_.back().size() + bytes > blocks_.back().capacity()) {
    blocks_.emplace_back();
    blocks_.back().reserve(bytes > kBlockBytes ? bytes : kBlockBytes);
  }
  std::string& block = blocks_.back();
  for (const std::string* text : {&item.place, &item.name, &item.oldText, &item.newText}) PutText(block, *text);
  ++count_;
}

PreviewItem KeptPreviews::Unpacked(const std::string& block, std::size_t& at) {
  PreviewItem item;
  item.place = TakeText(block, at);
  item.name = TakeText(block, at);
  item.oldText = TakeText(block, at);
  item.newText = TakeText(block, at);
  return item;
}
