#pragma once
// The check before a move (and before an undo's move back): what runs from
// the item holds it where it is. Services may be stopped for the move and
// are started again afterwards, from the new place when the registry walk
// pointed them there.
#include <optional>
#include <string>
#include <vector>

#include "core/ItemInUse.h"
#include "engine/Refusal.h"

struct Findings;
struct RunChoices;
class Ui;

// The processes and services of the system (the Win32 adapter asks the
// toolhelp snapshot and the service control manager; tests fake it).
class ProcessesAndServices {
 public:
  virtual ~ProcessesAndServices() = default;
  // Every process whose image could be read; this program's own never.
  virtual std::vector<RunningProgram> RunningPrograms() = 0;
  // Every Win32 service with its command line. Throws Error when the list
  // cannot be read.
  virtual std::vector<InstalledService> Services() = 0;
  // The path as given, and its long and short (8.3) forms where the file
  // system has them.
  virtual std::vector<std::string> FormsOf(const std::string& path) = 0;
  // Stops the service and waits (a bounded time) until it and its process
  // have stopped: none when they have, else why not (ServiceWouldNotStop).
  virtual std::optional<EngineRefusal> StopNamedService(const std::string& name) = 0;
  // Starts it, with the program path its registry entry names now (the
  // registry walk may have changed it): none when it started, else why not
  // (ServiceNotStartedAgain).
  virtual std::optional<EngineRefusal> StartNamedService(const std::string& name) = 0;
};

// `path` is `folder` or lies inside it, across case, as whole names
// (C:\W3Run2\x.exe is not inside C:\W3Run).
bool LiesInside(const std::string& path, const std::string& folder);
// The program of a service's command line: quoted, or unquoted with or
// without arguments ("C:\Program Files\X\x.exe -k" names the .exe), with a
// "\??\" prefix dropped.
std::string ServiceProgramOf(const std::string& commandLine);

// What runs from `item` in any of its forms. A service list that cannot be
// read is said in `problem` (the programs are still looked for).
ItemInUse FindItemInUse(ProcessesAndServices& system, const std::string& item, std::string* problem = nullptr);

class ItemInUseCheck {
 public:
  // Without `system` nothing is looked for.
  // What it finds goes to `findings`; `ui` is asked (none: an item in use fails the move).
  ItemInUseCheck(const RunChoices& settings, Findings& findings, Ui* ui, ProcessesAndServices* system)
      : settings_(settings), findings_(findings), ui_(ui), system_(system) {}

  // Before the move: true once nothing runs from `item` (the front end asked
  // as long as something did, and services it let stop are stopped); false
  // when it cancelled. Throws Refused when a service will not stop, or when
  // nobody can be asked; nothing has moved then.
  bool ClearForMove(const std::string& item);
  // A preview's note naming what runs from the item now.
  void NoteForPreview(const std::string& item);
  // Starts the stopped services again: from `movedTo` once the item is
  // there (as the registry walk pointed them; none when the registry was no
  // target), else from where they were. Each is named in the notes, or
  // passed over with why it was not started. Never throws.
  void StartServicesAgain(const std::string& movedTo);
  // What StartServicesAgain said, for a failure's message.
  const std::vector<std::string>& Outcome() const { return outcome_; }

 private:
  void StopServices(const ItemInUse& inUse);

  const RunChoices& settings_;
  Findings& findings_;
  Ui* ui_;
  ProcessesAndServices* system_;
  std::vector<InstalledService> stopped_;
  std::vector<std::string> outcome_;
};

// The message of an item something runs from, for an undo or a run without
// anyone to ask.
std::string ItemInUseText(const ItemInUse& inUse);
