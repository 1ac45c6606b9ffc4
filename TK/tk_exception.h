// The exception family every failure of the system travels in: tk_exception (message, code,
// kind), tk_exception_ex (the operating system's last error), tk_mail_assertion (a failed internal
// check) and tk_final_exception (stop the conversion without a further message).
#pragma once

#include <cstdint>
#include <exception>
#include <string>

// How the error handler reports a failure.
using tk_exception_kind = std::uint32_t;
constexpr tk_exception_kind tk_kind_continuable = 0;  // the user may go on or stop
constexpr tk_exception_kind tk_kind_error = 1;        // shown as a message
constexpr tk_exception_kind tk_kind_internal = 2;     // an internal error; ends the program

class tk_exception : public std::exception {
 public:
  // The format filled printf-style with `argument` as its one string.
  tk_exception(const std::string& format, const std::string& argument, tk_exception_kind kind);
  // The text; "Unknown exception" when it is empty.
  tk_exception(const std::string& text, tk_exception_kind kind);
  tk_exception(const char* text, tk_exception_kind kind) : tk_exception(std::string(text ? text : ""), kind) {}
  // The text in the ANSI code page; an empty text, or one that does not convert, gives an empty
  // message.
  tk_exception(const std::wstring& text, tk_exception_kind kind);
  // "Unknown exception".
  explicit tk_exception(tk_exception_kind kind);

  ~tk_exception() override = default;
  tk_exception(const tk_exception&) = default;
  tk_exception& operator=(const tk_exception&) = default;

  const char* what() const noexcept override { return message_.c_str(); }
  const std::string& message() const { return message_; }
  std::uint32_t code() const { return code_; }
  tk_exception_kind kind() const { return kind_; }

 protected:
  std::string message_;
  std::uint32_t code_ = 0;
  tk_exception_kind kind_ = tk_kind_error;
};

// The message of the calling thread's last error (GetLastError), behind a prefix. Construct it
// right after the failing call, before anything else can set another last error.
class tk_exception_ex : public tk_exception {
 public:
  tk_exception_ex(const std::string& prefix, tk_exception_kind kind);
  tk_exception_ex();

 private:
  void set_last_error(const std::string& prefix);
};

// A failed internal check. The message names the source file and line only in a hexadecimal code,
// so that a user's report identifies the check without showing source names.
class tk_mail_assertion : public tk_exception {
 public:
  tk_mail_assertion(const char* file, std::uint32_t line);
};

// "Internal error: \ncode=" and the bytes of "<file>\<line>" in lower-case hexadecimal.
std::string make_err_meggase(const char* file, std::uint32_t line);

// Stops a conversion quietly: the user has already been told.
class tk_final_exception : public std::exception {
 public:
  tk_final_exception();
};
