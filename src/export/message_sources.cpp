#include "export/message_sources.hpp"

#include <algorithm>
#include <fstream>
#include <system_error>

#include "export/output_names.hpp"

namespace quorvine::exporting {
namespace {

class FileSink final : public ese::ByteSink {
 public:
  explicit FileSink(const std::filesystem::path& file) : out_(file, std::ios::binary | std::ios::trunc) {}
  void write(std::span<const uint8_t> chunk) override {
    out_.write(reinterpret_cast<const char*>(chunk.data()), static_cast<std::streamsize>(chunk.size()));
  }
  bool close() {
    out_.close();
    return !out_.fail();
  }

 private:
  std::ofstream out_;
};

void write_file(const std::filesystem::path& file, std::string_view text) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
  out.close();
  if (out.fail()) throw std::runtime_error("cannot write the work file " + file.string());
}

}  // namespace

bool write_text_body(const ese::Record& record, size_t column, const std::filesystem::path& file) {
  auto text = record.text(column);
  if (!text || text->empty()) return false;
  write_file(file, *text);
  return true;
}

bool write_value_file(const ese::Record& record, size_t column, const std::filesystem::path& file) {
  if (!record.has_value(column)) return false;
  FileSink sink(file);
  const bool found = record.copy_to(column, sink);
  if (!sink.close()) throw std::runtime_error("cannot write the work file " + file.string());
  std::error_code error;
  if (!found || std::filesystem::file_size(file, error) == 0) {
    std::filesystem::remove(file, error);
    return false;
  }
  return true;
}

std::optional<bool> write_rtf_body_as_text(const ese::Record& record, size_t column, const std::filesystem::path& file) {
  if (!record.has_value(column)) return std::nullopt;
  // The compressed-RTF decoder and the RTF-to-text converter are shared with the preview;
  // until they are linked here, an RTF body gives no text.
  return false;
}

AttachmentFolder::AttachmentFolder(std::filesystem::path folder) : folder_(std::move(folder)) {
  std::filesystem::create_directories(folder_);
}

void AttachmentFolder::clear() {
  for (const auto& entry : std::filesystem::directory_iterator(folder_)) std::filesystem::remove_all(entry.path());
  used_.clear();
}

std::filesystem::path AttachmentFolder::unique_path(const std::string& name) {
  std::string base = safe_component(name.empty() ? std::string("attachment") : name);
  std::string candidate = base;
  for (int n = 2; std::find(used_.begin(), used_.end(), candidate) != used_.end(); ++n)
    candidate = "(" + std::to_string(n) + ") " + base;
  used_.push_back(candidate);
  return folder_ / candidate;
}

std::optional<AttachmentFile> AttachmentFolder::write(const ese::Record& record, size_t column, const std::string& name) {
  const std::filesystem::path path = unique_path(name);
  if (!write_value_file(record, column, path)) return std::nullopt;
  return AttachmentFile{path, name};
}

}  // namespace quorvine::exporting
