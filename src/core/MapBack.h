#pragma once
// Gives a text the run changed its old places back around a later change:
// a list such as `Path` where the run wrote D:\Tools\node and a later run
// changed another entry gets C:\Tools\node back while the later entry stays.
// Only where it is plain what the run wrote: every change between the text
// before the run and what the run wrote is the swap's old place turned into
// its new one, and no later change touches any of those new places (not even
// beside them, so a path the later run lengthened is not cut in two).
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The run's own replacement: the item's place before it and after it.
struct PlaceSwap {
  std::string oldPlace;
  std::string newPlace;
};

// `now` with each of the run's new places given back the text it replaced,
// or nullopt when that is not clearly safe (the run's change is not the
// swap, a later change touches what the run wrote, the texts lie too far
// apart to compare). Places are matched across case, with backslashes or
// forward slashes.
std::optional<std::string> MapBackInside(std::string_view before, std::string_view ranWrote, std::string_view now,
                                         const PlaceSwap& swap);

// What a run that put the swap's new place for its old one may have made of
// `before`: every occurrence replaced, or only those where a path ends. A
// caller that kept only a digest of what the run wrote finds it among them.
std::vector<std::string> SwappedTexts(std::string_view before, const PlaceSwap& swap);

// One stretch where two texts differ: a[a0, a1) stands as b[b0, b1).
struct TextHunk {
  std::size_t a0 = 0, a1 = 0, b0 = 0, b1 = 0;
};
// The shortest set of differences turning a into b, in order; nullopt when
// it takes more than maxEdits single-byte insertions and deletions.
std::optional<std::vector<TextHunk>> DiffHunks(std::string_view a, std::string_view b, int maxEdits);
