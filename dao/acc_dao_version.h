// The Access file's format, read from its version byte (offset 20), as the engine code that
// opens it: 1 for Access 97, 0 for Access 2000, 3 for Access 2007 and every later release.
#pragma once

#include <cstdint>
#include <string>

class extract_dao_version {
 public:
  virtual ~extract_dao_version() = default;
  virtual std::uint32_t get_version() = 0;
};

class acc_dao_version : public extract_dao_version {
 public:
  explicit acc_dao_version(const std::wstring& path);
  // Raises tk_exception (kind 1) "File '%s' does not comply with MS Access format." for a file
  // that cannot be read, is too short or holds an unknown version byte.
  std::uint32_t get_version() override;

 private:
  std::wstring path_;
};
