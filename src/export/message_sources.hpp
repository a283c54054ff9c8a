#pragma once
// What the gathering reads out of a message record into files of the work folder: the
// bodies and the attachments. Values are streamed to their files, so memory stays flat
// whatever a value's size.
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ese/database.hpp"
#include "export/composition_record.hpp"

namespace quorvine::exporting {

// The text column `column` written as UTF-8 to `file`; false (no file) when it holds no text.
bool write_text_body(const ese::Record& record, size_t column, const std::filesystem::path& file);
// The bytes of `column` written unchanged to `file`; false (no file) when it holds none.
bool write_value_file(const ese::Record& record, size_t column, const std::filesystem::path& file);
// The compressed-RTF body in `column` as plain UTF-8 text in `file`. nullopt when the
// column holds no value; false when the value is there but gives no text.
std::optional<bool> write_rtf_body_as_text(const ese::Record& record, size_t column, const std::filesystem::path& file);

// Attachment files: each name made safe for the file system and distinct from the names
// already given in this folder.
class AttachmentFolder {
 public:
  explicit AttachmentFolder(std::filesystem::path folder);
  // Empties the folder for the next message.
  void clear();
  // Writes the attachment's content column; nullopt when the value is missing or empty.
  std::optional<AttachmentFile> write(const ese::Record& record, size_t column, const std::string& name);

 private:
  std::filesystem::path unique_path(const std::string& name);

  std::filesystem::path folder_;
  std::vector<std::string> used_;
};

}  // namespace quorvine::exporting
