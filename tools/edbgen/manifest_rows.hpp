#pragma once
// The message-list rows a correct reader shows for a message, computed from the scenario
// by the readers' rules (kind mapping, hidden classes, sender, subject, date fallbacks,
// transport-header recipients), without any of the reader's code.
#include <optional>
#include <string>
#include <vector>

#include "edbgen/exchange_message.hpp"

namespace edbgen {

struct ManifestRow {
  std::string kind, from, subject, date_utc;
  std::optional<uint64_t> filetime;
  bool attachment = false;
  std::string to, cc, bcc;  // 2003/2007 only
  const Message* message = nullptr;
};

// The kind of a message class, or nothing for a class the list hides.
std::optional<std::string> list_kind(Generation g, const std::string& message_class);
// Folder classes as the tree shows them ("calendar", "contact", ..., "Folder", "IPF.Note").
std::string tree_folder_class(const std::string& container_class);

// At least two "." or "@" characters in all: the readers' test of a sender address.
bool plausible_address(const std::string& address);

// Transport-header fields as the 2003/2007 row builder takes them from the stored
// headers (every UTF-16 byte from 1 to 125 kept, line by line, later lines winning).
struct HeaderFields {
  std::string from, to, cc, bcc, subject;
};
HeaderFields header_fields(const std::string& headers);

// One row, or nothing when the reader leaves the message out of the list.
// `owner_names` are the owner names of the store's mailboxes in table order.
std::optional<ManifestRow> list_row(Generation g, const Message& m,
                                    const std::vector<std::string>& owner_names);

}  // namespace edbgen
