#include "GUI2/page_error_text.h"

#include "TK/tk_utils.h"
#include "common/error_handler.h"

std::wstring page_error_text(const tk_exception& e) {
  const std::string report = error_handler::exists() ? error_handler::get_instance()->make_report(e) : e.what();
  return tk_utf8_to_unicode(report);
}
