#pragma once
// Where the columns the scan and the renderers read sit in each kind of table. Each map is
// built once per table scan from the column names; a column the table lacks stays unset and
// reads as no value (never as some other column's value).
#include <array>
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ese/database.hpp"

namespace quorvine::scan {

using ColumnIndex = std::optional<size_t>;

// Name-to-index map for column sets too long to spell out as members (renderer columns).
class NamedColumns {
 public:
  ColumnIndex operator[](std::string_view name) const;
  void set(std::string_view name, size_t index);
  const std::vector<std::pair<std::string, size_t>>& entries() const { return entries_; }

 private:
  std::vector<std::pair<std::string, size_t>> entries_;
};

// Every column of `table` whose name is one of `names` (whole, case-sensitive).
NamedColumns map_named_columns(const ese::Table& table, std::span<const std::string_view> names);

// "Mailbox": 2003/2007 property names, or the readable names of 2010/2013.
struct MailboxColumns {
  ColumnIndex mailboxid;         // "Q6764" / "MailboxNumber"
  ColumnIndex mailboxshortname;  // "S6773" / "MailboxOwnerDisplayName"
  ColumnIndex mailboxname;       // "S3001" / "DisplayName"
};
MailboxColumns map_mailbox_columns(const ese::Table& table);

// "Folders" (2003/2007 and 2010).
struct FolderColumns {
  ColumnIndex Q6748;  // folder identifier
  ColumnIndex Q6749;  // parent identifier
  ColumnIndex Q6764;  // mailbox number
  ColumnIndex S3001;  // display name
  ColumnIndex S3613;  // container class
  ColumnIndex L3602;  // message count
  ColumnIndex Ne58;   // "S6707", URL-style path
};
FolderColumns map_folder_columns(const ese::Table& table);

// "Folder_<n>" (2013): the same roles under readable names.
FolderColumns map_folder_columns_2013(const ese::Table& table);

// The attachment table (2003/2007).
struct AttachmentColumns {
  ColumnIndex att_Q3f88;        // attachment identifier
  ColumnIndex att_S3001;        // display name
  ColumnIndex att_N3701;        // data
  ColumnIndex att_S3704;        // file name
  ColumnIndex Q6748_attchment;  // "Q674b", owning item
};
AttachmentColumns map_attachment_columns(const ese::Table& table);

// "Msg" (2003/2007): the two index columns, and the renderers' columns by name ("S1000"...).
struct MsgColumns {
  ColumnIndex N67b0;  // message identifier
  ColumnIndex N67b3;  // attachment identifier list
  NamedColumns m;     // every name of msg_renderer_column_names the table has
};
MsgColumns map_msg_columns(const ese::Table& table);

// Renderer columns of "Msg", in the order they are tested.
extern const std::array<std::string_view, 115> msg_renderer_column_names;
// Columns of a 2003/2007 per-folder contents table ("1-<hex>").
extern const std::array<std::string_view, 16> contents_column_names;
// Columns of 2010/2013 message and body tables: the first eleven are read by the
// attachment-side reads, then the rest.
extern const std::array<std::string_view, 11> columns_2010_run_names;
extern const std::array<std::string_view, 111> columns_2010_other_names;

}  // namespace quorvine::scan
