// BSTR ownership for DAO calls.
#include "dao/dao_bstr.h"

#include <memory>

#include "TK/tk_logger.h"
#include "TK/tk_utils.h"

dao_bstr::dao_bstr(const std::string& text) {
  tk_log1(tk_log_trace, "dao_bstr::ctor( string=%s )", text.c_str());
  std::unique_ptr<wchar_t[]> wide;
  if (!text.empty() && tk_ansi_to_unicode(text.c_str(), wide) && wide) bstr_ = SysAllocString(wide.get());
  if (!bstr_) bstr_ = SysAllocString(L"");
}

dao_bstr::dao_bstr(const std::wstring& text) {
  tk_log2(tk_log_trace, L"dao_bstr::ctor( wstring=%ls )", text.c_str());
  bstr_ = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
}

dao_bstr::dao_bstr(secret password) {
  tk_log1(tk_log_trace, "dao_bstr::ctor( secret=%s )", tk_log_secret(password.text));
  bstr_ = SysAllocStringLen(password.text.data(), static_cast<UINT>(password.text.size()));
}

dao_bstr::~dao_bstr() { SysFreeString(bstr_); }

dao_bstr::operator BSTR() const {
  tk_log1(tk_log_trace, "dao_bstr::operator BSTR");
  return bstr_;
}

BSTR* dao_bstr::out() {
  SysFreeString(bstr_);
  bstr_ = nullptr;
  return &bstr_;
}

std::wstring dao_bstr::text() const { return bstr_ ? std::wstring(bstr_, SysStringLen(bstr_)) : std::wstring(); }
