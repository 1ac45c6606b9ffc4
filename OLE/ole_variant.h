// ole_variant: the system's one value type, an OLE Automation VARIANT with its own 64-bit
// integers and date beside it, typed getters, text forms and in-place kind changes.
#pragma once

#include "OLE/ole_date.h"
#include "platform/oleaut/oleauto.h"

#include <cstdint>
#include <string>
#include <vector>

// Byte strings are one-dimensional VT_UI1 arrays under this kind; VT_BLOB (65) and
// VT_BLOB_OBJECT (70) are accepted as labels of the same representation.
constexpr VARTYPE ole_vt_binary = VT_ARRAY | VT_UI1;  // 8209

// Text and hexadecimal output of a byte string stop after this many bytes.
constexpr std::uint32_t ole_max_binary_output = 120000000;

// Number kinds: the integer, floating, currency, decimal and boolean kinds.
bool ole_is_numeric_type(VARTYPE vt);
// The kinds the SQL writers put between single quotes: VT_DATE and VT_BSTR.
bool ole_needs_quotes(VARTYPE vt);

class ole_variant {
 public:
  ole_variant();                                // VT_EMPTY
  ole_variant(bool value);                      // VT_BOOL, -1 or 0
  ole_variant(char value);                      // VT_I1
  ole_variant(unsigned char value);             // VT_UI1
  ole_variant(short value);                     // VT_I2
  ole_variant(unsigned short value);            // VT_UI2
  ole_variant(int value);                       // VT_I4
  ole_variant(unsigned int value);              // VT_UI4
  ole_variant(std::int64_t value);              // VT_I8 (held in the signed member)
  ole_variant(std::uint64_t value);             // VT_UI8 (held in the unsigned member)
  ole_variant(float value);                     // VT_R4
  ole_variant(double value);                    // VT_R8
  ole_variant(const CY& value);                 // VT_CY
  ole_variant(const DECIMAL& value);            // VT_DECIMAL
  ole_variant(const ole_date& value);           // VT_DATE (a date of kind none gives VT_EMPTY)
  ole_variant(const wchar_t* text);             // VT_BSTR up to the first NUL (null: an empty text)
  ole_variant(const std::wstring& text);        // VT_BSTR, embedded NULs kept
  ole_variant(const char* text);                // VT_BSTR from UTF-8 (stops a literal becoming a bool)
  ole_variant(const std::string& text);         // VT_BSTR from UTF-8
  ole_variant(const std::vector<BYTE>& bytes);  // byte string; an empty vector gives VT_EMPTY
  ole_variant(const ole_variant& that);
  virtual ~ole_variant();

  ole_variant& operator=(const ole_variant& that);
  ole_variant& operator=(const std::wstring& text);
  // An empty vector leaves the value as it is.
  ole_variant& operator=(const std::vector<BYTE>& bytes);

  // The narrow (UTF-8) text form of the value; see the conversions for each kind.
  virtual std::string to_string() const;
  // The wide text form: text as it is, byte strings in hexadecimal, else to_string widened.
  virtual std::wstring to_wstring() const;

  // A new value of kind `vt` read from text; raises ole_cast_exception for numbers beyond the
  // kind's range and for a number kind's text that is no number (blanks around it are fine),
  // and ole_type_exception for text that the fallback conversion refuses.
  static ole_variant from_string(const std::string& text, VARTYPE vt);
  static ole_variant from_wstring(const std::wstring& text, VARTYPE vt);
  // Converts the value in place; raises ole_cast_exception when the conversion is refused.
  void change_type(VARTYPE vt);
  static std::vector<BYTE>& convert_to_byte_array(const BYTE* bytes, std::uint32_t n, std::vector<BYTE>& out);

  VARTYPE get_type() const;
  bool to_bool() const;
  // Raises ole_cast_exception for a number beyond the 32-bit range.
  std::int32_t to_long() const;

  // Replaces the content by a byte string of those bytes (an empty vector changes nothing).
  void attach_binary(const std::vector<BYTE>& bytes);
  // Makes the value a byte string of `size` bytes, resizing an existing one in place.
  void allocate_safe_array(std::uint32_t size);
  void attach_string(const std::string& utf8);
  void attach_wstring(const std::wstring& text);

  // A piece of a long value for a text writer, from `pos` on, at most `length` units: for a byte
  // string the bytes as upper-case hexadecimal digits (two per byte), for a text its characters
  // in UTF-8. `out` is replaced and sized from what was converted. Answers the units consumed
  // (bytes or characters), 0 at the end and for other kinds; callers advance `pos` by it.
  std::uint32_t get_at(std::string& out, std::uint32_t pos, std::uint32_t length) const;
  // The bytes a server stores for the value: a byte string's own bytes (`data` points into the
  // value, valid while it is unchanged) or a text's UTF-8 bytes (kept in `storage`). Answers the
  // byte count; 0 for VT_EMPTY and VT_NULL; an internal error for other kinds.
  std::uint32_t get_bytes1(const BYTE*& data, std::string& storage) const;
  static std::uint32_t get_safe_array_size(const SAFEARRAY* array);

  // The raw content, for the readers that fill a value from a platform VARIANT.
  VARIANT& get_variant() { return var_; }
  const VARIANT& get_variant() const { return var_; }
  const ole_date& get_date() const { return date_; }
  std::int64_t get_i8() const { return i8_; }
  std::uint64_t get_ui8() const { return ui8_; }
  // Makes the value VT_DATE holding `date`, its DATE number computed from the date.
  void set_date(const ole_date& date);

 protected:
  // The members in the order the system stores them. For VT_I8 and VT_UI8 the number lives only
  // in i8_ or ui8_; for VT_DATE date_ is authoritative and var_.date follows it.
  std::int64_t i8_ = 0;
  std::uint64_t ui8_ = 0;
  ole_date date_;
  VARIANT var_;

 private:
  void initialize();
  void copy_from(const ole_variant& that, bool log_copy);
  void clear();
  bool is_binary() const;
  const SAFEARRAY* binary_array() const;
  void set_kind(VARTYPE vt);
  // change_type's rules, each answering whether it decided.
  bool change_from_64(VARTYPE vt);
  bool change_to_64(VARTYPE vt);
  bool change_to_binary(VARTYPE vt);
};
