// Literals of INSERT text turned into LOAD DATA fields that give the same values.
#include "SQL/sql_rows_text.h"

#include "SQL/sql_values.h"

namespace {

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A byte as LOAD DATA reads it back: the characters that end a field or a row, the escape
// character itself and NUL are escaped.
void append_byte(std::string& out, char c) {
  switch (c) {
    case '\\': out += "\\\\"; break;
    case '\t': out += "\\t"; break;
    case '\n': out += "\\n"; break;
    case '\0': out += "\\0"; break;
    default: out += c; break;
  }
}

// A number whose text reads the same whether the server takes it as a number (INSERT) or as
// text (LOAD DATA), whatever the column: -?(0|[1-9][0-9]*)(.[0-9]+)?, never a negative zero.
// An exponent, a sign "+", leading zeros or "-0" print differently once a number is turned into
// text, so those rows go as INSERT.
bool is_plain_number(std::string_view t) {
  std::size_t i = 0;
  const bool negative = i < t.size() && t[i] == '-';
  if (negative) ++i;
  if (i >= t.size() || t[i] < '0' || t[i] > '9') return false;
  if (t[i] == '0' && i + 1 < t.size() && t[i + 1] >= '0' && t[i + 1] <= '9') return false;
  bool nonzero = false;
  for (; i < t.size() && t[i] >= '0' && t[i] <= '9'; ++i) nonzero = nonzero || t[i] != '0';
  if (i < t.size() && t[i] == '.') {
    ++i;
    const std::size_t first = i;
    for (; i < t.size() && t[i] >= '0' && t[i] <= '9'; ++i) nonzero = nonzero || t[i] != '0';
    if (i == first) return false;
  }
  return i == t.size() && (!negative || nonzero);
}

// Where the next quote, tab or backslash of `text` stands from `from` on, or its size. A plain
// loop: find_first_of looks the character up in its set with a call per character.
std::size_t next_special(std::string_view text, std::size_t from) {
  for (std::size_t i = from; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\'' || c == '\t' || c == '\\') return i;
  }
  return text.size();
}

}  // namespace

bool sql_rows_text_field(std::string_view literal, bool numeric_column, std::string& out) {
  if (literal == "NULL") {
    out += "\\N";
    return true;
  }
  const std::size_t mark = out.size();
  if (literal.size() >= 2 && literal.front() == '\'' && literal.back() == '\'') {
    // The escapes a text literal carries (\\ \' \0 \r \n \Z) mean the same to LOAD DATA; a tab
    // stands bare in a literal but would end the field here. Anything else (a doubled quote, an
    // escape such as \% that keeps its backslash in a literal) is left to INSERT.
    const std::string_view inner = literal.substr(1, literal.size() - 2);
    for (std::size_t i = 0; i < inner.size(); ++i) {
      // Runs of plain characters go whole.
      const std::size_t special = next_special(inner, i);
      out.append(inner.data() + i, special - i);
      if (special == inner.size()) break;
      i = special;
      const char c = inner[i];
      if (c == '\'') {
        out.resize(mark);
        return false;
      }
      if (c == '\t') {
        out += "\\t";
        continue;
      }
      if (c != '\\') {
        out += c;
        continue;
      }
      const char next = i + 1 < inner.size() ? inner[i + 1] : '\0';
      if (next != '\\' && next != '\'' && next != '0' && next != 'r' && next != 'n' && next != 'Z') {
        out.resize(mark);
        return false;
      }
      out += c;
      out += next;
      ++i;
    }
    return true;
  }
  if (literal.size() >= 2 && literal[0] == '0' && (literal[1] == 'x' || literal[1] == 'X')) {
    // The bytes themselves; an odd count of digits is left to the server's own reading.
    if (literal.size() % 2 != 0) return false;
    for (std::size_t i = 2; i < literal.size(); i += 2) {
      const int high = hex_value(literal[i]);
      const int low = hex_value(literal[i + 1]);
      if (high < 0 || low < 0) {
        out.resize(mark);
        return false;
      }
      append_byte(out, static_cast<char>(high * 16 + low));
    }
    return true;
  }
  if (is_plain_number(literal) || (numeric_column && sql_is_numeric_literal(std::string(literal)))) {
    out += literal;
    return true;
  }
  return false;
}
