// A reader of the small XML descriptor of Agile encryption: its start tags, in document order,
// each with its local name and attributes. The descriptor uses no DTD, text content or CDATA.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct xml_element {
  std::string name;  // local name: "p:encryptedKey" is "encryptedKey"
  std::map<std::string, std::string> attributes;
};

// The start tags of `text`; nullopt when it is not well-formed enough to read them safely
// (an unterminated tag, a quote left open, an attribute without a value).
std::optional<std::vector<xml_element>> xml_read_elements(std::string_view text);
