#pragma once
// A message's attachments found through the scan's index (2003/2007) or the 2010
// attachment list, and written as files into a target folder.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ese/database.hpp"
#include "ese/pass_control.hpp"
#include "scan/scan_session.hpp"

namespace quorvine::render {

struct AttachmentFile {
  std::string name;            // the stored name, as shown
  std::filesystem::path path;  // the file written (its name made safe and unique); empty when none
  uint64_t size = 0;           // bytes written
  std::string error;           // why no file was written, when it was not
};

struct AttachmentSet {
  std::vector<AttachmentFile> files;  // in the order of the message's identifier list
  std::string attachment_names;           // the names, each followed by ";"
  bool stopped = false;               // the pass control asked to stop before all were written
};

// Whether the identifier list `list` (the hex text of a message's attachment column) holds
// `identifier` (hex without leading zeros) as one whole 8-byte entry, never as part of a
// neighbouring one: entries sit on byte boundaries and are compared zero-padded.
bool identifier_list_holds(std::string_view list, std::string_view identifier);
// The positions (in hex digits) at which `identifier` sits in `list` as a whole entry.
std::vector<size_t> identifier_positions(std::string_view list, std::string_view identifier);

// Writes the attachment content column of `record` to a new file named after `name` in
// `folder` (never overwriting a file there), chunk by chunk. Nothing is written, and the
// result has no path, when the column holds no data; a value that turns out damaged
// leaves no partial file and its error in the result.
AttachmentFile export_handle_export_msg_attachment_body_record_value(const ese::Record& record, size_t column,
                                                                     std::string_view name,
                                                                     const std::filesystem::path& folder);
inline AttachmentFile export_handle_export_msg_attachment_body_record_value_2010(
    const ese::Record& record, size_t column, std::string_view name, const std::filesystem::path& folder) {
  return export_handle_export_msg_attachment_body_record_value(record, column, name, folder);
}

// An attachment found for a message, not yet read.
struct AttachmentValue {
  std::string name;  // the stored name
  size_t table_index = 0;
  uint64_t record = 0;
  std::optional<size_t> column;  // the content column, when the table has one
};

// 2003/2007: the attachments of the index whose identifier the message's list holds, in the
// order save_attachments writes them.
std::vector<AttachmentValue> find_attachments(const scan::ScanSession& session, std::string_view attachment_ids);

// 2003/2007: every attachment of the index whose identifier the message's list holds.
AttachmentSet save_attachments(const scan::ScanSession& session, std::string_view attachment_ids,
                                const std::filesystem::path& folder, const ese::PassControl& control = {});
// 2010: every entry of the attachment list whose key the message's list holds.
AttachmentSet save_attachments_2010(const scan::ScanSession& session, std::string_view attachment_ids,
                                     const std::filesystem::path& folder, const ese::PassControl& control = {});

// The full paths of the files in `folder` named by `names` (each followed by ";"; each
// name made safe as the writers make it), each followed by ";", for those that exist.
std::string attachment_paths(std::string_view names, const std::filesystem::path& folder);
// The full paths of the files a set wrote, each followed by ";".
std::string attachment_paths(const AttachmentSet& set);

}  // namespace quorvine::render
