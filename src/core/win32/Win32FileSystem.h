#pragma once
// The file-system port over the Win32 wide functions: UTF-8 paths inside,
// UTF-16 in the "\\?\" form at the platform, so no path is cut at MAX_PATH.
#include "core/FileSystem.h"

class Win32FileSystem : public FileSystem {
 public:
  std::optional<std::string> ShortPathOf(const std::string& path) override;
  std::optional<DirEntry> LookUp(const std::string& path) override;
  FolderListing ListFolderChecked(const std::string& pattern) override;
  FolderHolds HoldsAny(const std::string& folder, bool foldersOnly) override;
  std::optional<std::uint32_t> AttributesOf(const std::string& path) override;
  std::optional<bool> Exists(const std::string& path) override;
  bool SetAttributesOf(const std::string& path, std::uint32_t attributes) override;
  std::optional<FileTicks> LastWriteOf(const std::string& path) override;
  bool SetLastWriteOf(const std::string& path, FileTicks utc) override;
  std::string ReadWhole(const std::string& path) override;
  void ReplaceWhole(const std::string& path, const std::string& data) override;
  std::vector<std::string> ReplaceEach(const std::vector<Replacement>& files) override;
  void ReplaceWholeStreamed(const std::string& path, const BytesWriter& write) override;
  std::unique_ptr<RandomFile> OpenRandom(const std::string& path, OpenMode mode) override;
  bool Remove(const std::string& path) override;
  bool MakeFolders(const std::string& path) override;
};
