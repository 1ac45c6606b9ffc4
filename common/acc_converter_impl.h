// The converter's Access side: how the source is opened (database password, workgroup security),
// the checks that it opens and that a query runs on it, and the profile section of these
// settings.
#pragma once

#include <string>

class udb_profile;
class dao_engine;

class acc_converter_impl {
 public:
  acc_converter_impl();

  // Opens the source once with an installed Access engine and closes it again. Throws a
  // tk_exception (kind 1) when no engine loads, and the engine's errors (kind 0) when the file
  // does not open.
  void check_acc_base(const std::wstring& source, const std::wstring& password);
  // Whether the query opens on the source; false on any failure.
  bool test_query(const std::wstring& source, const std::wstring& password, const std::wstring& sql);

  // Stores the three texts trimmed of blanks; the use-workgroup flag stays as it is.
  void store_ugl_settings(const std::wstring& file, const std::wstring& user, const std::wstring& password);

  // The workgroup is used when its file and its user are both given; the one rule of every
  // operation that opens the source.
  bool uses_workgroup() const { return !sysdb.empty() && !ugl_user.empty(); }
  // Applies the workgroup, or the anonymous system database, to an engine.
  void apply_security(dao_engine& engine) const;

  // The "MS Access settings" section: a non-empty value replaces the field on load; every field
  // is written on store.
  void load_profile(const udb_profile& profile);
  void store_profile(udb_profile& profile) const;

  // Open the source with user-level security. Kept for the settings store and the wizard's
  // page; opening follows uses_workgroup.
  bool use_ugl = false;
  std::wstring acc_pswd;      // database password
  std::wstring ugl_user;      // workgroup user
  std::wstring ugl_password;  // that user's password
  std::wstring sysdb;         // workgroup information file
};
