// Ownership of one BSTR passed to or received from a DAO call, freed when the holder goes.
#pragma once

#include <string>

#include "platform/oleaut/oleauto.h"

class dao_bstr {
 public:
  // Null, for out-parameters.
  dao_bstr() = default;
  // From ANSI (UTF-8) text; text that does not convert gives an empty BSTR.
  explicit dao_bstr(const std::string& text);
  // Every character, embedded NULs included.
  explicit dao_bstr(const std::wstring& text);
  // A password: held as any text is, but the log shows only whether there is one.
  struct secret {
    const std::wstring& text;
  };
  explicit dao_bstr(secret password);
  dao_bstr(const dao_bstr&) = delete;
  dao_bstr& operator=(const dao_bstr&) = delete;
  virtual ~dao_bstr();

  // The holder keeps owning it.
  operator BSTR() const;
  // For out-parameters: frees what is held first.
  BSTR* out();
  // The characters held (a null BSTR is the empty text).
  std::wstring text() const;

 private:
  BSTR bstr_ = nullptr;
};
