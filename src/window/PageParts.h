#pragma once
// What the page models share: the faces of their forward buttons, the
// fields a refused check points at, and the refusal itself.
#include <optional>
#include <string>

#include "window/WindowPorts.h"

// The pictures a forward button can carry: the arrow of "Next", or the
// picture of the buttons that start a run.
enum class Glyph { Forward, Start };

struct ButtonFace {
  std::string caption;  // with "&" before its mnemonic
  Glyph glyph = Glyph::Forward;
  bool operator==(const ButtonFace&) const = default;
};

// The fields of the pages the view can put the focus into.
enum class Field { None, GivenDestination, FirstDrive, SecondDrive, FindWhat, ReplaceWith, UndoList };

// Why a page's check keeps the page: the message, and the field to correct.
struct Refusal {
  std::string text;
  std::string caption;
  Field field = Field::None;
  MessageKind kind = MessageKind::Warning;
};
using Check = std::optional<Refusal>;
