// What several fuzz targets share: the input written to a file of this process (the parsers under
// test read paths, not buffers) and the input read as UTF-8 text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Writes the bytes to one file per process and answers its path ("" when it cannot be written).
// `suffix` gives the name the extension a parser may look at.
std::string fuzz_write_file(const std::uint8_t* data, std::size_t size, const char* suffix);

// The bytes as UTF-8, each invalid byte taken as the code point of the same value, so every input
// gives a text and the mutations of a text seed stay texts.
std::wstring fuzz_wide_text(const std::uint8_t* data, std::size_t size);
