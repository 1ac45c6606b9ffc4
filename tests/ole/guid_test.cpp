// ole_guid_extractor: which texts are GUIDs and the 36 characters taken from them.
#include "OLE/ole_guid.h"

#include <gtest/gtest.h>

namespace {

TEST(ole_guid, forms) {
  const std::wstring g = L"12345678-9ABC-DEF0-1234-56789ABCDEF0";
  struct {
    std::wstring text;
    bool valid;
    std::wstring guid;
  } cases[] = {
      {g, true, g},
      {L"{" + g + L"}", true, g},
      {L"  " + g + L"  ", true, g},
      {L"{guid {" + g + L"}}", true, g},
      {L"GUID {12345678-9abc-def0-1234-56789abcdef0}", true, L"12345678-9abc-def0-1234-56789abcdef0"},
      {L"guid{" + g + L"} ", true, g},
      // every form holds the dashes to their places in 8-4-4-4-12
      {std::wstring(36, L'-'), false, L""},
      {L"{" + std::wstring(36, L'-') + L"}", false, L""},
      {L"123456789-ABC-DEF0-1234-56789ABCDEF0", false, L""},
      {L"{12345678-9ABC-DEF0-1234-56789ABCDEF-0}", false, L""},
      {L"123456789ABCDEF0123456789ABCDEF01234", false, L""},
      {L"12345678-9ABC-DEF0-1234-56789ABCDEFg", false, L""},
      {g + L"0", false, L""},
      {L"", false, L""},
      {g.substr(1), false, L""},
      {L"{" + g + L"}}", false, L""},
      {L"[" + g + L"]", false, L""},
      // after the word, the braces and the 8-4-4-4-12 digits are checked
      {L"guid {" + g, false, L""},
      {L"guid {" + g + L")", false, L""},
      {L"guid {zzzzzzzz-9ABC-DEF0-1234-56789ABCDEF0}", false, L""},
      {L"guid {123456789-ABC-DEF0-1234-56789ABCDEF0}", false, L""},
      {L"guid {------------------------------------}", false, L""},
      {L"guid (" + g + L")", false, L""},
      {L"{guid {" + g + L"}}x", false, L""},                              // 46 characters
      {std::wstring(60, L' ') + g + std::wstring(60, L' '), false, L""},  // 91 or more before trimming
  };
  for (const auto& c : cases) {
    const ole_guid_extractor e(c.text);
    EXPECT_EQ(e.is_valid(), c.valid) << std::string(c.text.begin(), c.text.end());
    EXPECT_EQ(e.get_wguid(), c.guid) << std::string(c.text.begin(), c.text.end());
    const ole_guid_extractor narrow(std::string(c.text.begin(), c.text.end()));
    EXPECT_EQ(narrow.get_guid(), std::string(c.guid.begin(), c.guid.end()));
  }
}

}  // namespace
