#include "decode/code_page_decoder.hpp"

#include <iconv.h>

#include <cerrno>

namespace quorvine::decode {

struct CodePageDecoder::Converter {
  iconv_t cd;
  explicit Converter(iconv_t handle) : cd(handle) {}
  ~Converter() { iconv_close(cd); }
};

CodePageDecoder::CodePageDecoder() = default;
CodePageDecoder::~CodePageDecoder() = default;

CodePageDecoder::Converter* CodePageDecoder::converter(uint32_t code_page) {
  if (auto it = converters_.find(code_page); it != converters_.end()) return it->second.get();
  const std::string name = code_page == 65001 ? "UTF-8" : "CP" + std::to_string(code_page);
  iconv_t cd = iconv_open("UTF-8", name.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    if (code_page == 1252) return nullptr;
    return converter(1252);
  }
  auto* raw = new Converter(cd);
  converters_.emplace(code_page, std::unique_ptr<Converter>(raw));
  return raw;
}

void CodePageDecoder::decode(std::string_view bytes, uint32_t code_page, std::string& out) {
  Converter* c = converter(code_page);
  if (!c) {  // no iconv at all: Latin-1 is the closest fallback
    for (unsigned char b : bytes) {
      if (b < 0x80) {
        out.push_back(static_cast<char>(b));
      } else {
        out.push_back(static_cast<char>(0xC0 | b >> 6));
        out.push_back(static_cast<char>(0x80 | (b & 0x3F)));
      }
    }
    return;
  }
  char* in = const_cast<char*>(bytes.data());
  size_t in_left = bytes.size();
  char buffer[1024];
  while (in_left > 0) {
    char* o = buffer;
    size_t out_left = sizeof buffer;
    const size_t done = iconv(c->cd, &in, &in_left, &o, &out_left);
    out.append(buffer, o);
    if (done != static_cast<size_t>(-1)) continue;
    if (errno == E2BIG) continue;
    // An undefined byte, or a lead byte without its trail: one replacement character.
    out += "\xEF\xBF\xBD";
    ++in;
    --in_left;
    iconv(c->cd, nullptr, nullptr, nullptr, nullptr);
  }
}

uint32_t code_page_of_charset(int charset) {
  switch (charset) {
    case 0: return 1252;
    case 77: return 10000;
    case 128: return 932;
    case 129: return 949;
    case 130: return 1361;
    case 134: return 936;
    case 136: return 950;
    case 161: return 1253;
    case 162: return 1254;
    case 163: return 1258;
    case 177: return 1255;
    case 178: return 1256;
    case 186: return 1257;
    case 204: return 1251;
    case 222: return 874;
    case 238: return 1250;
    default: return 0;
  }
}

}  // namespace quorvine::decode
