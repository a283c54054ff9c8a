#pragma once
// Bytes in a Windows code page turned into UTF-8 through iconv, one converter per code page
// kept for the life of the object.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>

namespace quorvine::decode {

class CodePageDecoder {
 public:
  CodePageDecoder();
  ~CodePageDecoder();
  CodePageDecoder(const CodePageDecoder&) = delete;
  CodePageDecoder& operator=(const CodePageDecoder&) = delete;

  // Appends `bytes` decoded from `code_page` to `out`. Bytes the code page does not define
  // become U+FFFD; an unknown code page is read as Windows-1252.
  void decode(std::string_view bytes, uint32_t code_page, std::string& out);

 private:
  struct Converter;
  Converter* converter(uint32_t code_page);
  std::map<uint32_t, std::unique_ptr<Converter>> converters_;
};

// The code page of an RTF font character set (\fcharsetN), or 0 when it names none.
uint32_t code_page_of_charset(int charset);

}  // namespace quorvine::decode
