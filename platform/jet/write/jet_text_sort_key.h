// Text index keys in the "General (legacy)" sort order (1033, version 0), the order Access 2000
// to 2007 give every text column: case is dropped, accents, kana and unprintable characters go
// to trailing parts, so the keys sort as Access compares the texts.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace jet {

// Keys hold at most this many UTF-16 code units of a text; the rest never reaches the index.
constexpr std::size_t jet_text_key_max_units = 255;

// The body of the key of `text`: the main codes, 01, then the accent, kana and unprintable parts
// when there are any. Without the segment's start flag and end byte (jet_index_key adds them).
// A character beyond the BMP counts as its two UTF-16 units.
std::vector<std::uint8_t> jet_general_legacy_key_body(const std::wstring& text);

}  // namespace jet
