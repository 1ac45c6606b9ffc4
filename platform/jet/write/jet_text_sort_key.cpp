// The General legacy text key: one walk over the UTF-16 units that collects main codes, accent
// codes, kana flags and unprintable positions, then their assembly into one byte string.
#include "platform/jet/write/jet_text_sort_key.h"

#include "platform/jet/write/jet_sort_code_word.h"

namespace jet {

// Generated at build time from sort_codes/*.txt: one word per UTF-16 code unit.
extern const std::uint64_t jet_sort_code_words[0x10000];

namespace {

std::u16string to_utf16(const std::wstring& text) {
  std::u16string units;
  units.reserve(text.size());
  for (wchar_t wc : text) {
    auto c = static_cast<std::uint32_t>(wc);
    if (c > 0xFFFF && c <= 0x10FFFF) {
      c -= 0x10000;
      units.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
      units.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
    } else {
      // Anything past Unicode cannot come from a file; keep its low bits rather than fail.
      units.push_back(static_cast<char16_t>(c & 0xFFFF));
    }
  }
  return units;
}

class key_parts {
 public:
  void unit(char16_t u) {
    const std::size_t pos = mains_;
    if (u >= 0xD800 && u <= 0xDBFF) {
      // Surrogates have no line in the tables: their codes are computed from the unit.
      accented(pos, static_cast<std::uint16_t>(u - 10238), 0x3F);
      return;
    }
    if (u >= 0xDC00 && u <= 0xDFFF) {
      unsigned d = u - 0xDC00u;
      unsigned s = d < 8 ? 9992 : d < 262 ? 9990 : d < 516 ? 9988 : d < 770 ? 9986 : 9984;
      accented(pos, static_cast<std::uint16_t>(u - s), 0x3F);
      return;
    }
    sort_code_word w{jet_sort_code_words[u]};
    switch (w.kind()) {
      case sort_code_ignored: break;
      case sort_code_simple: add_main(w); break;
      case sort_code_accented:
        add_main(w);
        pad_accents(pos);
        for (unsigned i = 0; i < w.extra_size(); ++i) acc_.push_back(w.extra(i));
        ++covered_;
        break;
      case sort_code_kana:
        add_main(w);
        if (w.extra_size() > 0) {
          pad_accents(pos);
          for (unsigned i = 0; i < w.extra_size(); ++i) acc_.push_back(w.extra(i));
          ++covered_;
        }
        kana_.push_back(w.hiragana() ? 2 : 3);
        break;
      case sort_code_combining:
        pad_accents(pos);
        // A combining mark changes the accent of the character before it.
        if (!acc_.empty()) {
          acc_.back() = static_cast<std::uint8_t>(acc_.back() + w.main(0));
        } else {
          acc_.push_back(w.main(0));
          lead_ = 1;
        }
        break;
      case sort_code_unprintable: {
        // Its position counts main-coded characters and two-byte accents before it.
        std::size_t q = acc_.size() + (pos - covered_) - lead_;
        auto where = static_cast<std::uint16_t>(0x8000u | ((7u + 4u * q) & 0xFFFFu));
        unpr_.push_back(static_cast<std::uint8_t>(where >> 8));
        unpr_.push_back(static_cast<std::uint8_t>(where & 0xFF));
        unpr_.push_back(0x06);
        unpr_.push_back(w.main(0));
        break;
      }
    }
  }

  std::vector<std::uint8_t> body() {
    std::vector<std::uint8_t> out = main_;
    out.push_back(0x01);
    while (!acc_.empty() && acc_.back() <= 0x02) acc_.pop_back();
    if (acc_.empty() && kana_.empty() && unpr_.empty()) return out;
    out.insert(out.end(), acc_.begin(), acc_.end());
    if (kana_.empty() && unpr_.empty()) return out;
    out.push_back(0x01);
    out.push_back(0x01);
    if (!kana_.empty()) {
      while (!kana_.empty() && kana_.back() == 3) kana_.pop_back();
      for (std::size_t i = 0; i < kana_.size(); i += 3) {
        unsigned a = kana_[i];
        unsigned b = i + 1 < kana_.size() ? kana_[i + 1] : 0;
        unsigned c = i + 2 < kana_.size() ? kana_[i + 2] : 0;
        out.push_back(static_cast<std::uint8_t>(0x80 | a << 4 | b << 2 | c));
      }
      for (std::uint8_t b : {0xFF, 0x02, 0x80, 0xFF, 0x80}) out.push_back(b);
      if (!unpr_.empty()) out.push_back(0xFF);
    }
    if (!unpr_.empty()) {
      out.push_back(0x01);
      out.insert(out.end(), unpr_.begin(), unpr_.end());
    }
    return out;
  }

 private:
  void add_main(sort_code_word w) {
    for (unsigned i = 0; i < w.main_size(); ++i) main_.push_back(w.main(i));
    ++mains_;
  }
  void accented(std::size_t pos, std::uint16_t code, std::uint8_t extra) {
    main_.push_back(static_cast<std::uint8_t>(code >> 8));
    main_.push_back(static_cast<std::uint8_t>(code & 0xFF));
    ++mains_;
    pad_accents(pos);
    acc_.push_back(extra);
    ++covered_;
  }
  // Accent codes line up with main-coded characters; characters without an accent before this
  // one get the placeholder 02.
  void pad_accents(std::size_t pos) {
    if (covered_ < pos) {
      acc_.insert(acc_.end(), pos - covered_, 0x02);
      covered_ = pos;
    }
  }

  std::vector<std::uint8_t> main_, acc_, unpr_;
  std::vector<std::uint8_t> kana_;
  std::size_t mains_ = 0, covered_ = 0, lead_ = 0;
};

}  // namespace

std::vector<std::uint8_t> jet_general_legacy_key_body(const std::wstring& text) {
  std::u16string units = to_utf16(text);
  if (units.size() > jet_text_key_max_units) units.resize(jet_text_key_max_units);
  while (!units.empty() && units.back() == u' ') units.pop_back();
  key_parts parts;
  for (char16_t u : units) parts.unit(u);
  return parts.body();
}

}  // namespace jet
