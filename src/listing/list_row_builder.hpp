#pragma once
// The row builder of 2003/2007 stores: one contents-table record, and the message's record
// in "Msg" when the index knows it, become one message-list row. The rules work on column
// texts already rendered, so they hold no database state.
#include <optional>
#include <string>
#include <vector>

#include "listing/list_row_transport.hpp"
#include "listing/message_list_row.hpp"

namespace quorvine::listing {

// Contents-table columns as the renderers give them (a missing column is empty text).
struct ContentsTexts {
  std::string message_id;
  std::string sender_name, S4031;
  std::string N67bd, N67b9, N67ba;
  std::string message_class;
  std::string text_body;
  std::string subject_prefix, subject;
  std::string has_attachments;
  std::string Le23;
  std::string submit_time, delivery_time, creation_time;  // local date texts, or the "(0x" form
  std::optional<uint64_t> stored_time;  // the FILETIME of the date column the list shows
};

// What the row needs from the message's own record in "Msg".
struct MessageTexts {
  std::string transport_headers;  // "S7d"
  std::string display_to;
  std::string sender_fallback;
};

// The message index's answer for the row's identifier.
struct MessageLookup {
  uint64_t record_number = 0;   // 0 when the identifier is not in the index
  std::string attachment_ids;  // the message's attachment-identifier list; empty on a miss
};

struct BuiltRow {
  MessageListRow row;
  long long position = 0;  // where the row goes in the list ("Le23")
};

// "T39", then "Te06", then "T3007"; a "(0x" text counts as missing.
std::string list_date(const ContentsTexts& c);
// The sender from the contents record alone.
std::string sender_first_pass(const ContentsTexts& c);
// The display-To column turned into the list's To text.
std::string recipients_from_display_to(const std::string& display_to);
// The message's transport fields, To taken from display-To when the headers name none.
TransportFields recipients_of(const MessageTexts& message);
// Whether the row's existence and sender depend on the message's record: only when the
// contents record gives neither a sender nor "Se1d".
bool row_needs_message(const ContentsTexts& c);
// The clean-up applied to extracted recipients ("<" as "[", a "," after .com/.net/.org, ...).
std::string clean_recipients(std::string text);
// The sender after the message record and the transport headers had their say, before the
// owner-name rule.
std::string sender_second_pass(std::string sender, const ContentsTexts& c, const TransportFields& transport,
                               const MessageTexts* message);
// A sender containing a mailbox owner's name is shown as that name (the last matching
// owner in mailbox order); empty owner names never match.
std::string apply_owner_names(std::string sender, const std::vector<std::string>& owner_names);

// The whole row, or nullopt when the record gives none (hidden class, or neither sender
// nor "Se1d"). `message` is null when the identifier is not in the index.
std::optional<BuiltRow> build_contents_row(const ContentsTexts& c, const MessageLookup& lookup,
                                           const MessageTexts* message,
                                           const std::vector<std::string>& owner_names);

}  // namespace quorvine::listing
