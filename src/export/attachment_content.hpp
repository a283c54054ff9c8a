#pragma once
// The content of an attachment being exported. A small one is held in memory; a large one
// stays in the store and is read again, a segment at a time, while the message is written,
// so that an attachment of any size passes in flat memory.
#include <cstddef>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "ese/database.hpp"

namespace quorvine::exporting {

struct AttachmentContent {
  std::string name;                   // as the message names it
  std::string bytes;                  // the content, when held in memory
  std::optional<ese::Record> record;  // the stored value, when it is read while writing
  size_t column = 0;
  std::string mime_tag;               // the stored MIME type ("S370e"), when the record has one
};

// The attachment's content type: its stored MIME tag when that is a "type/subtype", else
// the type GLib guesses from its name, else "application/octet-stream".
std::string attachment_content_type(const AttachmentContent& attachment);

// Values up to this size are held in memory.
inline constexpr size_t kAttachmentHeldInMemory = size_t{1} << 20;

// How a value too large to hold is checked when it is found.
enum class LargeValueCheck {
  // Read through once, so that damage shows now and the attachment can be left out, not
  // halfway through its message.
  ReadThrough,
  // Not read now: damage found while the message is written fails the message.
  WhenWritten,
};

// The attachment in column `column` of `record`, named `name`; nullopt when the column holds
// no data. A value above `held_in_memory` bytes is kept as a reference, checked as `check`
// says. Throws ese::EseError.
std::optional<AttachmentContent> load_attachment(const ese::Record& record, size_t column, std::string name,
                                                 LargeValueCheck check,
                                                 size_t held_in_memory = kAttachmentHeldInMemory);

// Hands the content to `sink` a piece at a time. Throws ese::EseError when a stored value
// turns out damaged.
void copy_attachment(const AttachmentContent& attachment, ese::ByteSink& sink);

// The file name an attachment named `name` takes beside the files `taken` (those of the
// message's earlier attachments), which it joins. A nameless attachment is called by it.
std::string claim_file_name(std::string_view name, std::set<std::string>& taken);

}  // namespace quorvine::exporting
