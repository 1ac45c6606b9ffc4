// The wizard's command line.
#include "GUI2/quick_launch_args.h"

#include <cstdint>

#include "TK/tk_utils.h"

bool is_valid_utf8(const std::string& bytes) {
  std::size_t i = 0;
  while (i < bytes.size()) {
    const auto lead = static_cast<unsigned char>(bytes[i]);
    std::size_t length = 0;
    std::uint32_t code = 0;
    std::uint32_t minimum = 0;
    if (lead < 0x80) {
      ++i;
      continue;
    } else if ((lead & 0xE0) == 0xC0) {
      length = 2, code = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
      length = 3, code = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
      length = 4, code = lead & 0x07, minimum = 0x10000;
    } else {
      return false;
    }
    if (i + length > bytes.size()) return false;
    for (std::size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(bytes[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      code = (code << 6) | (next & 0x3F);
    }
    if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
    i += length;
  }
  return true;
}

namespace {

// What was not understood: the first option, else every argument after the first.
std::string not_understood(int argc, const char* const* argv) {
  for (int i = 1; i < argc; ++i)
    if (argv[i][0] == '-') return argv[i];
  std::string rest;
  for (int i = 2; i < argc; ++i) rest += (i > 2 ? " " : "") + std::string(argv[i]);
  return rest;
}

bool has_option(int argc, const char* const* argv) {
  for (int i = 1; i < argc; ++i)
    if (argv[i][0] == '-') return true;
  return false;
}

}  // namespace

quick_launch_args read_quick_launch_args(int argc, const char* const* argv) {
  quick_launch_args args;
  if (argc > 2 || has_option(argc, argv)) {
    args.what = quick_launch_args::mode::usage;
    args.message = "'" + not_understood(argc, argv) + "' is not understood.\nUsage: vandry [PROFILE]";
    return args;
  }
  const std::string joined = argc > 1 ? argv[1] : "";
  if (joined.empty()) return args;
  if (!is_valid_utf8(joined)) {
    args.what = quick_launch_args::mode::bad_path;
    args.message = "The profile path is not valid UTF-8 text. Please verify the correct path/name was given.";
    return args;
  }
  args.what = quick_launch_args::mode::quick_launch;
  args.profile = tk_utf8_to_unicode(joined);
  return args;
}
