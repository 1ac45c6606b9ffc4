// dao_engine: the Access side's engine. It loads the DAO engine class the Access file's format
// needs, sets up workgroup security (the user's workgroup file, or a blank one of its own) and
// opens databases as dao_database. Also the open-mode bits and the workgroup-file test.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "TK/tk_singleton.h"
#include "UDB/udb_engine.h"
#include "dao/dao_generator.h"
#include "platform/jet/dao.h"

// Which DAO engine class is loaded.
using dao_engine_code = std::uint32_t;
constexpr dao_engine_code dao_code_acc2000 = 0;    // Access 2000 files (version byte 1)
constexpr dao_engine_code dao_code_acc97 = 1;      // Access 7.0/97 files (version byte 0)
constexpr dao_engine_code dao_code_acc97_alt = 2;  // in the class table, never asked for
constexpr dao_engine_code dao_code_acc2007 = 3;    // Access 2007 and later (version bytes 2-6)
constexpr dao_engine_code dao_code_none = 4;       // no engine loaded

// One engine class: the code it serves, its CLSID and the interface asked of it.
struct dao_engine_class {
  dao_engine_code code;
  CLSID clsid;
  IID iid;
};
// Searched in order; the first row of a code is the one loaded.
extern const dao_engine_class dao_engine_classes[4];

// Bits of the open-mode word given to open_db and kept as the database's mode.
using dao_open_mode = std::uint32_t;
constexpr dao_open_mode dao_open_read_only = 0x01;        // DAO OpenDatabase ReadOnly
constexpr dao_open_mode dao_open_exclusive = 0x10;        // DAO OpenDatabase Options (exclusive use)
constexpr dao_open_mode dao_open_no_fkeys = 0x20 | 0x40;  // either bit: relationships not read
constexpr dao_open_mode dao_open_no_views = 0x80;         // saved queries not read

class dao_engine : public udb_engine, public tk_singleton<dao_engine> {
 public:
  // release_on_destroy: the destructor unloads a loaded engine. com_ready: non-zero when the
  // caller has initialised COM on this thread itself (the engine then leaves COM alone).
  // Every caller passes (true, 0). Raises dao_exception when COM cannot be initialised.
  dao_engine(bool release_on_destroy, int com_ready);
  ~dao_engine() override;

  // Loads the engine class of one code (unloading any loaded one first); false when the class
  // cannot be created. An unknown code is an internal error.
  bool set_version_if(dao_engine_code code);
  // Loads the engine the file's format needs, falling back to newer engines. A file that is
  // not an Access database raises tk_exception (kind 1); an Access 2007+ file without its engine
  // raises dao_required_exception; an older file with no engine at all a tk_exception (kind 1).
  void set_version_smart(const std::wstring& path);
  // User-level security: the workgroup file and the account to open with. Does nothing when the
  // file or the user is empty; a second call is an internal error.
  void set_ugl_info(const std::wstring& workgroup_file, const std::wstring& user, const std::wstring& password);
  // A blank workgroup file of the loaded engine's version, in the current directory, used as the
  // system database; removed by the destructor. Its failures are logged and dropped.
  void set_anonymous_sys_db();

  // A new dao_database over the file (the caller owns it and deletes it before the engine).
  std::unique_ptr<udb_database> open_db(const std::wstring& path, std::uint32_t mode,
                                        const std::wstring& password) override;
  // A new, empty Access database file and a writable dao_database over it (the caller owns it).
  // The engine's refusal (an existing file, a folder that cannot be written) raises dao_exception.
  std::unique_ptr<udb_database> create_db(const std::wstring& name) override;

  // The engine whose DAO errors a failing call on this thread left: the thread's most recently
  // constructed live engine, else the registered one (an internal error when there is none).
  // The registered engine alone would be the wrong one for a second engine on the same or
  // another thread, and its empty error list would hide the real error.
  static dao_engine* current();

  // The loaded engine object (null while none is loaded), for the error reader.
  _DAODBEngine* get_db_engine() const { return db_engine_; }
  dao_engine_code get_engine_code() const { return engine_code_; }
  const dao_generator& get_generator() const { return generator_; }

 private:
  void uninitialize();

  _DAODBEngine* db_engine_ = nullptr;  // owned reference
  DAOWorkspace* workspace_ = nullptr;  // owned reference
  dao_engine_code engine_code_ = dao_code_none;
  dao_generator generator_;
  bool release_on_destroy_;
  int com_ready_;
};

// A password as the value of a Connect text's "pwd=" key: in braces, with "}" doubled, when it
// holds a ";" or begins with "{", so that it reaches the engine whole; else as it is.
std::wstring dao_connect_value(const std::wstring& password);

// True when the file is an Access workgroup information file (an Access 2.0 system database or
// a Jet workgroup file). An unopenable file raises the file layer's tk_exception.
bool dao_check_sysdb(const std::wstring& path);
