#include "render/safe_file_name.hpp"

#include <cerrno>
#include <system_error>

#include "textfile/open_flags.hpp"

namespace quorvine::render {
namespace {

constexpr size_t max_name_bytes = 255;
constexpr size_t max_kept_extension = 16;

// Cuts `text` to at most `limit` bytes without splitting a UTF-8 sequence.
std::string cut_utf8(std::string_view text, size_t limit) {
  if (text.size() <= limit) return std::string(text);
  size_t end = limit;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return std::string(text.substr(0, end));
}

std::pair<std::string, std::string> split_extension(const std::string& name) {
  const size_t dot = name.rfind('.');
  if (dot == std::string::npos || dot == 0 || name.size() - dot > max_kept_extension) return {name, ""};
  return {name.substr(0, dot), name.substr(dot)};
}

std::string fit(const std::string& stem, const std::string& suffix, const std::string& extension) {
  const size_t room = max_name_bytes - suffix.size() - extension.size();
  return cut_utf8(stem, room) + suffix + extension;
}

}  // namespace

std::string safe_file_name(std::string_view name) {
  std::string out;
  out.reserve(name.size());
  for (char c : name) {
    const auto b = static_cast<unsigned char>(c);
    switch (c) {
      case '/': case '\\': case ':': case '?': case '*': case '<': case '>': case '|': case '"':
        out.push_back('_');
        break;
      default:
        out.push_back(b < 0x20 || b == 0x7F ? '_' : c);
    }
  }
  // Trailing dots and blanks vanish on some file systems ("a." becomes "a"); this also
  // turns "." and ".." into plain names.
  for (size_t i = out.size(); i > 0 && (out[i - 1] == ' ' || out[i - 1] == '.'); --i) out[i - 1] = '_';
  if (out.empty()) out = "attachment";
  auto [stem, extension] = split_extension(out);
  return fit(stem, "", extension);
}

std::string numbered_file_name(const std::string& safe, int n) {
  if (n == 1) return safe;
  const auto [stem, extension] = split_extension(safe);
  return fit(stem, " (" + std::to_string(n) + ")", extension);
}

std::filesystem::path create_unique_file(const std::filesystem::path& folder, std::string_view name,
                                         textfile::OutputFile& file) {
  const std::string safe = safe_file_name(name);
  std::error_code error;
  for (int n = 1; n < 10000; ++n) {
    const auto path = folder / numbered_file_name(safe, n);
    if (file.open(path, textfile::open_flags::modeCreate | textfile::open_flags::modeWrite |
                            textfile::open_flags::modeCreateNew, &error))
      return path;
    if (error != std::errc::file_exists) break;
  }
  throw std::system_error(error, "cannot create a file for attachment \"" + std::string(name) + "\" in " + folder.string());
}

}  // namespace quorvine::render
