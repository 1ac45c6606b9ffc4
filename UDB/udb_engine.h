// The abstract engine that creates, opens, deletes and tests databases of one kind (the Access
// engine, the MySQL engine). The base's file-based answers are the Access engine's.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

class udb_database;
class udb_properties;

class udb_engine {
 public:
  udb_engine() = default;
  udb_engine(const udb_engine&) = delete;
  udb_engine& operator=(const udb_engine&) = delete;
  virtual ~udb_engine() = default;

  // New databases are owned by the caller.
  virtual std::unique_ptr<udb_database> create_db(const std::wstring& name) = 0;
  // mode: the open-mode word of the engine's databases; password: the database's own password.
  virtual std::unique_ptr<udb_database> open_db(const std::wstring& name, std::uint32_t mode,
                                                const std::wstring& password) = 0;
  // Deletes the database file; failure throws tk_exception_ex (kind 1) with the system's text.
  virtual void db_delete(const std::wstring& name);
  // True when a file of that name exists and is no directory.
  virtual bool is_db_exist(const std::wstring& name);
  // Keeps the pointer; the caller keeps owning the set.
  virtual void set_properties(udb_properties* properties_) { properties = properties_; }

  udb_properties* properties = nullptr;  // not owned; null until set
};
