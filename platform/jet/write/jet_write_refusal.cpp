// DAO's text for a writer refusal, from the error table of the DAO stand-in.
#include "platform/jet/write/jet_write_refusal.h"

#include <string>

#include "platform/jet/jet_dao_errors.h"
#include "platform/jet/write/jet_write_error.h"

namespace jet {

void jet_refuse(long dao_number) { jet_refuse(dao_number, L""); }

void jet_refuse(long dao_number, const std::wstring& argument) {
  std::wstring text = dao_impl::dao_error_text(dao_number, argument);
  std::string narrow;
  // DAO's texts are ASCII; a name beyond it keeps its place as '?'.
  for (wchar_t c : text) narrow.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  throw jet_write_error(dao_number, narrow);
}

}  // namespace jet
