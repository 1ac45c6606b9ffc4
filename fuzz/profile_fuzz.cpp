// Loads arbitrary text as a settings profile, then reads its "Type Mappings" list as the
// converter's table and column rules, and the same file as a YAML-like type-mapping file.
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>

#include "TK/tk_exception.h"
#include "TK/tk_yaml_config.h"
#include "UDB/udb_profile.h"
#include "common/sql_db_mutator.h"
#include "fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path = fuzz_write_file(data, size, ".vdy");
  if (path.empty()) return 0;
  udb_profile profile;
  // A failed load keeps what it read so far: the rules are read from that as well.
  profile.load(std::wstring(path.begin(), path.end()));
  sql_db_mutator rules;
  try {
    if (rules.load(profile)) {
      udb_profile again;
      rules.store(again);
    }
  } catch (const tk_exception&) {
    // An engine or character set outside the known lists is refused with an error: by design.
  }
  tk_yaml_config yaml;
  try {
    yaml.load(path.c_str(), {L"excluded"});
  } catch (const tk_exception&) {
    // Text that is not UTF-8 is refused with the conversion error: documented, not a fault.
  }
  return 0;
}
