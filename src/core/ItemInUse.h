#pragma once
// What runs from an item about to be moved: programs whose image lies inside
// it and services whose program does. A running image cannot be deleted, so
// a move across drives would stop half way; the run asks the front end first.
#include <cstdint>
#include <string>
#include <vector>

struct RunningProgram {
  std::string image;  // the full path of its executable
  std::uint32_t processId = 0;
};

struct InstalledService {
  std::string name;         // the key name the system knows it by
  std::string displayName;  // what the user sees in the services list
  std::string commandLine;  // its program with arguments, as configured
  bool running = false;     // anything but stopped (starting, pausing ... count as running)
  std::uint32_t processId = 0;  // of a running service; 0 otherwise
};

struct ItemInUse {
  std::string item;
  std::vector<RunningProgram> programs;   // the services' own processes are not among them
  std::vector<InstalledService> services;  // running or not; only running ones hold the move
  bool Holds() const;
  bool HasRunningServices() const;
};

// The front end's answer when something runs from the item.
enum class InUseAnswer {
  Retry,         // look again (the user closed what runs)
  StopServices,  // stop the running services, move, and start them again afterwards
  Cancel,        // move nothing
};

// "Programs" and "services" lines naming each, for a message or a list:
//   C:\W3Run\w3sleeper.exe (process 1234)
//   W3 Sleeper (service W3Sleeper, running)
std::vector<std::string> InUseLines(const ItemInUse& inUse);
