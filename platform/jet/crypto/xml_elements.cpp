// Start tags and attributes of a small XML text, scanned once from left to right.
#include "platform/jet/crypto/xml_elements.h"

namespace {

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool is_name_char(char c) {
  return !is_space(c) && c != '=' && c != '>' && c != '/' && c != '<' && c != '"' && c != '\'';
}

// The five predefined entities; the descriptor's values are names, numbers and base64, so any
// other reference marks a text we do not read.
std::optional<std::string> unescape(std::string_view raw) {
  std::string out;
  out.reserve(raw.size());
  for (std::size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] != '&') {
      out += raw[i];
      continue;
    }
    const std::size_t end = raw.find(';', i);
    if (end == std::string_view::npos) return std::nullopt;
    const std::string_view entity = raw.substr(i + 1, end - i - 1);
    if (entity == "amp")
      out += '&';
    else if (entity == "lt")
      out += '<';
    else if (entity == "gt")
      out += '>';
    else if (entity == "quot")
      out += '"';
    else if (entity == "apos")
      out += '\'';
    else
      return std::nullopt;
    i = end;
  }
  return out;
}

}  // namespace

std::optional<std::vector<xml_element>> xml_read_elements(std::string_view text) {
  std::vector<xml_element> elements;
  std::size_t i = 0;
  const std::size_t n = text.size();
  while (true) {
    i = text.find('<', i);
    if (i == std::string_view::npos) break;
    const std::string_view rest = text.substr(i);
    if (rest.starts_with("<?") || rest.starts_with("<!--")) {
      const std::string_view close = rest.starts_with("<?") ? "?>" : "-->";
      const std::size_t end = text.find(close, i);
      if (end == std::string_view::npos) return std::nullopt;
      i = end + close.size();
      continue;
    }
    if (rest.starts_with("</") || rest.starts_with("<!")) {
      const std::size_t end = text.find('>', i);
      if (end == std::string_view::npos) return std::nullopt;
      i = end + 1;
      continue;
    }
    // A start tag: name, then attributes until ">" or "/>".
    ++i;
    const std::size_t name_start = i;
    while (i < n && is_name_char(text[i])) ++i;
    if (i == name_start) return std::nullopt;
    std::string_view name = text.substr(name_start, i - name_start);
    if (const std::size_t colon = name.rfind(':'); colon != std::string_view::npos) name.remove_prefix(colon + 1);
    xml_element element{std::string(name), {}};
    while (true) {
      while (i < n && is_space(text[i])) ++i;
      if (i >= n) return std::nullopt;
      if (text[i] == '>') {
        ++i;
        break;
      }
      if (text[i] == '/') {
        if (i + 1 >= n || text[i + 1] != '>') return std::nullopt;
        i += 2;
        break;
      }
      const std::size_t attr_start = i;
      while (i < n && is_name_char(text[i])) ++i;
      if (i == attr_start) return std::nullopt;
      const std::string attr(text.substr(attr_start, i - attr_start));
      while (i < n && is_space(text[i])) ++i;
      if (i >= n || text[i] != '=') return std::nullopt;
      ++i;
      while (i < n && is_space(text[i])) ++i;
      if (i >= n || (text[i] != '"' && text[i] != '\'')) return std::nullopt;
      const char quote = text[i++];
      const std::size_t value_end = text.find(quote, i);
      if (value_end == std::string_view::npos) return std::nullopt;
      auto value = unescape(text.substr(i, value_end - i));
      if (!value) return std::nullopt;
      element.attributes[attr] = std::move(*value);
      i = value_end + 1;
    }
    elements.push_back(std::move(element));
  }
  return elements;
}
