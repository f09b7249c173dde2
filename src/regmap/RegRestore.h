#pragma once
// Which lines of a run's registry backup an undo applies. A place is given
// back only while it still holds what the run wrote there (the written
// record); one that holds its state before the run already is left and
// counted; one that holds anything else was changed after the run (by hand
// or by a later run) and is left and named, unless the undo is forced. A
// place the written record does not name was never changed by the run (its
// backup was made, then the change was refused or failed): left unmentioned.
#include <string>
#include <vector>

#include "core/MapBack.h"
#include "engine/UndoProgress.h"
#include "engine/WrittenRecord.h"
#include "regmap/RegImport.h"
#include "regmap/RegistryBackend.h"

// A place left because it changed after the run.
struct ChangedPlace {
  std::string key;        // full key name
  std::string valueName;  // empty with isValue false: the key itself (with what lies below it)
  bool isValue = false;
  std::string ranWrote;   // what the run left there, as text
  std::string holdsNow;   // what it holds now, as text
  bool gone = false;      // it holds nothing now (a value or key deleted since)
  std::string Where() const;  // "HKEY_...\Key, value "Name"" or the key
};

// A value changed after the run that gets the run's old place back inside
// it, the later change kept (see MapBackInside).
struct MappedBackValue {
  std::string key;   // full key name
  std::string name;
  std::uint32_t type = 0;
  std::string data;  // the registry's own bytes
};

struct RegistryRestorePlan {
  std::vector<bool> take;              // per line of the parsed file
  int values = 0;                      // value places to be given back
  int keys = 0;                        // keys to be made again or taken away
  int alreadyAsBefore = 0;             // places holding their state before the run
  std::vector<ChangedPlace> changed;   // places changed after the run (taken anyway when forced)
  std::vector<MappedBackValue> mappedBack;  // counted in values; not lines of the file
};

// `swap`, when given, is the run's move: a text value changed after the run
// gets its old place back inside it where that is plainly safe, also when
// forced, rather than being left or overwritten. `each` is told of every
// line of the backup weighed.
RegistryRestorePlan PlanRegistryRestore(RegistryBackend& backend, const ParsedRegFile& backup,
                                        const std::vector<RegistryWrite>& written, bool force,
                                        const PlaceSwap* swap = nullptr, const PlaceDone& each = {});

// Writes the plan's mapped-back values; one message per value not written.
std::vector<std::string> WriteMappedBack(RegistryBackend& backend, const std::vector<MappedBackValue>& values);

// The places the record says the run changed whose state before the run the
// backup does not hold (a damaged or cut file), each named as ChangedPlace::Where does.
std::vector<std::string> UncoveredWrites(const ParsedRegFile& backup, const std::vector<RegistryWrite>& written);
