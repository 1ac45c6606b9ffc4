// Opens arbitrary bytes as an Office-encrypted .accdb with the test files' passwords and, where
// one is accepted, reads every page back through the decrypting stream. Seeds: the encrypted
// test files (their header page is enough, the stream then reads what follows).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "fuzz/fuzz_input.h"
#include "platform/jet/crypto/office_crypto.h"
#include "platform/jet/crypto/xml_elements.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  office_crypto_header_is_encrypted(data, size);
  // The agile descriptor straight away as well: opening reaches it only after the header checks,
  // and every run of the open spends most of its time deriving keys. It starts after the
  // information's length (2 bytes), version (4) and reserved word (4) at 0x299.
  constexpr std::size_t xml_offset = 0x299 + 2 + 4 + 4;
  if (size > xml_offset) {
    std::string_view xml(reinterpret_cast<const char*>(data) + xml_offset,
                         (size < office_crypto_page_size ? size : office_crypto_page_size) - xml_offset);
    xml_read_elements(xml.substr(0, xml.find('\0')));
  }
  const std::string path = fuzz_write_file(data, size, ".accdb");
  if (path.empty()) return 0;
  for (const wchar_t* password : {L"1234", L"Test123"}) {
    office_crypto_open_result opened = office_crypto_open(path.c_str(), password);
    if (opened.status != office_crypto_status::ok) continue;
    static unsigned char page[office_crypto_page_size];
    while (std::fread(page, 1, sizeof page, opened.stream) == sizeof page) {
    }
    // libmdb seeks back and forth and reads partial pages too.
    if (std::fseek(opened.stream, 100, SEEK_SET) == 0) std::fread(page, 1, 10, opened.stream);
    std::fseek(opened.stream, 0, SEEK_END);
    std::fread(page, 1, sizeof page, opened.stream);
    std::fclose(opened.stream);
  }
  return 0;
}
