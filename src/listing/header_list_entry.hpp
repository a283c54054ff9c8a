#pragma once
// The 2010/2013 message lists: what one header, body or attachment record of a mailbox's
// message tables contributes, decided from its column texts.
#include <optional>
#include <span>
#include <string>

#include "scan/index_lists_2010.hpp"
#include "listing/message_list_kind.hpp"

namespace quorvine::listing {

// Column texts of one header record, already rendered by the generation's renderers.
struct HeaderFields {
  std::string message_id;
  std::string folder_id;
  std::string message_class;
  std::string from;
  std::string subject;
  std::string prefix;
  std::string topic;
  std::string attachment_flag;
  std::string dates[3];  // in fallback order; unused slots stay empty
};

// A date text counts when it is not empty and not the "(0x" form of an undecodable date.
bool is_usable_date_text(const std::string& text);
// The first usable date of the fallback chain, or an empty text.
std::string first_usable_date(std::span<const std::string> candidates);

// The header-list entry of one record, or nullopt when the record is left out: the
// placeholder identifier "2a2a2a2a2a2a2a2a", a hidden class, or no sender, subject, prefix
// and topic at all.
std::optional<scan::HeaderEntry2010> make_header_entry(const std::string& table_name,
                                                       const HeaderFields& fields, KindTable table);

// Body-table records: a message row ("L3705" text "0") with a key gives a body entry; any
// other row with a key and a name gives an attachment entry.
struct BodyFields {
  std::string key;             // "N65f9"
  std::string attachment_ids;  // "N67b3"
  std::string l3705;
  std::string attachment_name;
  std::string attachment_long_name;
};
std::optional<scan::BodyEntry2010> make_body_entry(const BodyFields& fields);
std::optional<scan::AttachmentEntry2010> make_attachment_entry(const BodyFields& fields);

}  // namespace quorvine::listing
