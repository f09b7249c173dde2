#pragma once
// The registry half of a mapping run: HKEY_LOCAL_MACHINE, then
// HKEY_CURRENT_USER, then the other users' hives loaded under HKEY_USERS,
// depth first; key paths, value names and string data. REG_BINARY data
// that holds the old place is named, never changed.
// Every occurrence is offered (when the run asks), backed up, applied and
// counted, left to right. A key that can't be read, an entry whose backup
// can't be made exactly and a change the registry refuses are passed over
// (RunPass::PassOver) and the walk goes on.
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "engine/DurableBatch.h"
#include "engine/Refusal.h"
#include "engine/WrittenRecord.h"
#include "engine/RunPorts.h"
#include "engine/BinaryData.h"
#include "engine/WidePrefilter.h"
#include "core/CodePage.h"
#include "core/FileSystem.h"
#include "core/FileSystemPlaces.h"
#include "core/Text.h"
#include "core/Ui.h"
#include "regmap/NTReg.h"
#include "regmap/RegBackup.h"
#include "regmap/RegistryBackend.h"


class RegistryWalk : public RegistryMapper {
 public:
  // An apply's backup goes to the records folder + the undo name + ".reg";
  // `ansi` is the code page of REGEDIT4 backups begun by earlier builds.
  RegistryWalk(RegistryBackend& backend, FileSystem& fs, CodePage& ansi);

  void FindReplaceProcess(RunPass& run, const SearchTexts& texts) override;
  void MapKeys(RunPass& run, const SearchTexts& texts, const std::vector<std::string>& keys) override;
  // Expands the %NAME% parts of REG_EXPAND_SZ data; without it they are text.
  void SetEnvironment(EnvironmentValues* environment) { environmentValues_ = environment; }
  // Tells the own hive among those loaded under HKEY_USERS; without it only
  // HKEY_CURRENT_USER is walked of the users' registry.
  void SetUserAccounts(UserAccounts* accounts) { accounts_ = accounts; }

  enum class EntryKind { KeyPath, ValueName, ValueData };

 private:
  struct KeyVisit {
    RegRoot root;
    const std::string& rootName;  // with its trailing "\"
    std::string path;             // below the root, without a leading "\"; follows a move
    RegistryCursor& reg;
  };
  // What an entry's changes did to it.
  struct EntryResult {
    bool changed = false;  // at least one occurrence applied (or reported in a preview)
    bool moved = false;    // the key or value now lives under another path or name
    std::string nowNamed;  // a renamed value's name
    // A key whose values move with it (a printer connection) was left: so are they.
    bool refused = false;
  };
  // Every hive under HKEY_USERS that HKEY_CURRENT_USER and the other hives
  // do not show already (a registry link is never followed).
  struct UserHive {
    std::string name;  // under HKEY_USERS
    std::string sid;   // of the user it belongs to
    bool own = false;  // the own _Classes hive
  };
  std::vector<UserHive> OtherUserHives();
  // Loaded by the run: its user is not logged on.
  bool IsOfflineHive(const std::string& name) const;
  // The key, opened itself, is a registry link / a key of its own.
  bool IsLinkKey(RegRoot root, const std::string& path);
  bool IsPlainKey(RegRoot root, const std::string& path);
  // The search texts, the backup file and the variables of a pass.
  void BeginPass(const SearchTexts& texts);
  // The bodies of FindReplaceProcess and MapKeys, inside their batch.
  void SearchAll(const SearchTexts& texts);
  void VisitListed(const SearchTexts& texts, const std::vector<std::string>& keys);
  void SearchOtherUsers();
  void SearchThruKey(RegRoot root, const std::string& rootName, const std::string& path);
  // One key's own entries; the names of its subkeys, when they are to be
  // walked (none after the key was moved).
  enum class Visit { WithSubkeys, Alone };
  std::vector<std::string> VisitKey(RegRoot root, const std::string& rootName, const std::string& path, Visit how);
  // How many names, texts and key paths at or below a key hold an
  // occurrence, read and changed nothing.
  int OccurrencesBelow(RegRoot root, const std::string& path);
  // `listed`: a value's data as the visit's listing read it, for its backup.
  EntryResult FindReplaceEntry(KeyVisit& visit, const std::string& text, const std::string& valueName, EntryKind kind,
                               std::uint32_t type = kRegSz, const RawValue* listed = nullptr);
  void LeaveSwitchedKey(const KeyVisit& visit, const std::string& text, const Occurrence& o);
  // A printer connection's key whose new name would be no \\server\queue.
  void LeaveConnection(const KeyVisit& visit, EntryKind kind, const std::string& before, const std::string& searched);
  // The "Entry Found" question about one occurrence at `next` in `current`.
  Answer AskAbout(const ChangeEntry& entry, const std::string& current, const Rewrite& next, bool connection);
  EnvironmentValues* VariablesIn(const std::string& text, EntryKind kind, std::uint32_t type) const;
  void RecordFromSearch(const ChangeEntry& entry);
  void RecordLeft(ChangeEntry entry, EntryKind kind, const std::string& actualName, bool connection);
  void Follow(KeyVisit& visit, EntryKind kind, const std::string& candidate, std::string& actualName,
              EntryResult& result);
  enum class Outcome { Changed, NothingToDo, PassedOver };
  // Backs up and makes one change; says why when it passes it over.
  Outcome Apply(KeyVisit& visit, const std::string& actualName, const std::string& candidate,
                const std::string& valueName, EntryKind kind, std::uint32_t type, std::string& reason,
                const RawValue* listed);
  std::optional<EngineRefusal> ChangeRefusal(KeyVisit& visit, const std::string& actualName,
                                             const std::string& candidate, EntryKind kind);
  // A value's new data waits in the batch: its backup and record lines are
  // written, its write is made once they are durable. Occurrences after the
  // first in one value join its one write.
  struct QueuedValue {
    RegRoot root;
    std::string path, name;
    std::uint32_t type = 0;
    std::string data;
    std::vector<Announcement> announced;
    std::vector<std::size_t> entries;  // the findings it is recorded as
    bool settled = false;              // made, or told it was not
  };
  void QueueValue(const KeyVisit& visit, const std::string& name, std::uint32_t type, std::string data,
                  Announcement announced);
  void WriteQueued(const QueuedValue& q);
  // Makes what the batch holds (after one flush of the backup and the record).
  void CommitBatch();
  // Makes a move or a rename itself; throws Error when the registry refuses it.
  Outcome Write(KeyVisit& visit, const std::string& actualName, const std::string& candidate, EntryKind kind);

  RunPass* run_ = nullptr;  // the pass of the call under way
  RegistryBackend& backend_;
  RegBackup backup_;
  DurableBatch batch_;
  std::shared_ptr<QueuedValue> queued_;     // the value queued last
  std::set<std::string> queuedKeys_;        // keys with writes queued since the last commit
  std::unique_ptr<RegistryCursor> writeKey_;  // the key the batch writes into, opened once for its run of values
  std::string writeKeyPath_;                  // its path below its root
  unsigned backupRun_ = 0;  // the run whose file backup_ writes
  FileSystemPlaces places_;  // where a space ends a path, asked once a run
  std::optional<Spellings> spellings_;  // of the pass under way
  std::optional<WidePrefilter> prefilter_;  // of its spellings
  std::optional<BinarySearch> binary_;      // of its spellings, for REG_BINARY data
  CodePage& ansi_;
  EnvironmentValues* environmentValues_ = nullptr;
  UserAccounts* accounts_ = nullptr;
  EnvironmentValues* environment_ = nullptr;  // for the pass under way
  bool exchange_ = false;                      // the pass switches two drives
};
