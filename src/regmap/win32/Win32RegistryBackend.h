#pragma once
// The registry port over advapi32's wide functions: names cross as UTF-8
// (converted here, lone surrogates kept), data as the registry holds it.
#include <string>

#include "regmap/RegistryBackend.h"

class Win32RegistryBackend : public RegistryBackend {
 public:
  RegKey RootKey(RegRoot root) override;
  long OpenKey(RegKey parent, const std::string& subKey, std::uint32_t access, RegKey& out) override;
  long OpenKeyItself(RegKey parent, const std::string& subKey, std::uint32_t access, RegKey& out) override;
  long CreateKey(RegKey parent, const std::string& subKey, std::uint32_t options, std::uint32_t access,
                 RegKey& out) override;
  void CloseKey(RegKey key) override;
  long QueryInfoKey(RegKey key, RegKeyInfo& info) override;
  long EnumKey(RegKey key, std::uint32_t index, std::string& name) override;
  long EnumValue(RegKey key, std::uint32_t index, std::string& name, std::uint32_t* type, std::string* data) override;
  long QueryValue(RegKey key, const std::string& name, std::uint32_t& type, std::uint32_t& size,
                  std::string* data) override;
  long SetValue(RegKey key, const std::string& name, std::uint32_t type, std::string_view data) override;
  long DeleteValue(RegKey key, const std::string& name) override;
  long DeleteKey(RegKey parent, const std::string& subKey) override;

 private:
  // Reused between calls: a walk enumerates many values.
  std::u16string keyNameBuf_;
  std::u16string valueNameBuf_;
  std::string dataBuf_;
};
