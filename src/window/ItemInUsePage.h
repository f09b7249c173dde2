#pragma once
// The window's question before a move when programs or services run from
// the item: what it names and offers. Ostrivane never ends a program; it
// may stop services for the move and start them again afterwards.
#include <string>

#include "core/ItemInUse.h"

struct ItemInUsePage {
  std::string title = "Programs are running";
  std::string heading;  // "Programs or services run from C:\W3Run"
  std::string text;     // each program and service a line, then what to do
  std::string retryLabel = "Retry";
  std::string stopLabel = "Stop the services, move, and start them again";
  std::string cancelLabel = "Cancel";
  bool stopShown = false;    // running services are among them
  bool stopEnabled = false;  // and no program runs, so stopping them frees the item
};

ItemInUsePage ItemInUsePageOf(const ItemInUse& inUse);
// The answer a button stands for; a disabled or unknown one cancels.
InUseAnswer ItemInUseAnswerOf(const ItemInUsePage& page, bool retry, bool stop);
