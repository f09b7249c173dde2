#pragma once
// Stand-ins for the parts of a run that this build does not carry yet: each
// says so in the words the console front end uses, and the window stays
// usable.
#include "app/RunPorts.h"
#include "core/Error.h"

class PendingParts : public ItemMover {
 public:
  bool MoveDir(const std::string&, const std::string&) override { Missing("moving"); }

 private:
  [[noreturn]] static void Missing(const char* what) { throw Error(std::string("This build cannot do ") + what + " yet."); }
};
