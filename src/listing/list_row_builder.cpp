#include "listing/list_row_builder.hpp"

#include "decode/address_extraction.hpp"
#include "decode/text_passes.hpp"
#include "listing/header_list_entry.hpp"
#include "listing/list_row_address.hpp"
#include "listing/message_list_kind.hpp"
#include "listing/message_list_text.hpp"

namespace quorvine::listing {

using decode::replaced;

namespace {

std::string without_quotes(std::string text) { return replaced(std::move(text), "\"", ""); }

std::string square_brackets(std::string text) {
  text = replaced(std::move(text), "<", "[");
  return replaced(std::move(text), ">", "]");
}

}  // namespace

std::string list_date(const ContentsTexts& c) {
  const std::string chain[] = {c.submit_time, c.delivery_time, c.creation_time};
  return first_usable_date(chain);
}

std::string sender_first_pass(const ContentsTexts& c) {
  std::string sender;
  if (!c.sender_name.empty() || !c.S4031.empty()) sender = sender_display_text(contents_sender(c.sender_name, c.S4031));
  for (const std::string* column : {&c.N67bd, &c.N67b9, &c.N67ba}) {
    if (!sender.empty()) break;
    if (!column->empty()) sender += decode::extract_addresses(*column);
  }
  if (sender.empty()) sender = c.N67bd + c.N67b9 + c.N67ba;
  return sender;
}

std::string clean_recipients(std::string text) {
  text = square_brackets(std::move(text));
  for (const char* ending : {".com", ".net", ".org"}) text = replaced(std::move(text), ending, std::string(ending) + ",");
  for (const char* ending : {".com", ".net", ".org"})
    text = replaced(std::move(text), std::string(ending) + ",,", std::string(ending) + ",");
  text = replaced(std::move(text), ",@", "@");
  return replaced(std::move(text), ",]", "]");
}

std::string recipients_from_display_to(const std::string& display_to) {
  if (display_to.empty()) return {};
  std::string found = decode::extract_addresses(display_to);
  if (found.empty()) found = decode::extract_addresses(decode::close_up_spaces(display_to));
  return clean_recipients(std::move(found));
}

TransportFields recipients_of(const MessageTexts& message) {
  TransportFields transport = parse_transport_headers(message.transport_headers);
  if (transport.xTo.empty()) transport.xTo = recipients_from_display_to(message.display_to);
  return transport;
}

bool row_needs_message(const ContentsTexts& c) { return c.subject.empty() && sender_first_pass(c).empty(); }

std::string sender_second_pass(std::string sender, const ContentsTexts& c, const TransportFields& transport,
                               const MessageTexts* message) {
  if (sender.empty()) sender = without_quotes(transport.xFrom);
  if (sender.empty() && message) {
    std::string found = decode::extract_addresses(message->sender_fallback);
    sender = found.empty() ? message->sender_fallback : found;
    size_t close = sender.find('>');
    if (close != std::string::npos && close > 0) sender.resize(close);
  }
  if (sender.empty()) sender = c.N67bd;
  return square_brackets(std::move(sender));
}

std::string apply_owner_names(std::string sender, const std::vector<std::string>& owner_names) {
  if (sender.empty()) return sender;
  const std::string* taken = nullptr;
  for (const std::string& owner : owner_names)
    if (!owner.empty() && sender.find(owner) != std::string::npos) taken = &owner;
  return taken ? *taken : sender;
}

std::optional<BuiltRow> build_contents_row(const ContentsTexts& c, const MessageLookup& lookup,
                                           const MessageTexts* message,
                                           const std::vector<std::string>& owner_names) {
  auto kind = message_kind(c.message_class, KindTable::Contents2007);
  if (!kind) return std::nullopt;

  std::string sender = sender_first_pass(c);
  TransportFields transport;
  if (message) transport = recipients_of(*message);
  sender = sender_second_pass(std::move(sender), c, transport, message);
  sender = apply_owner_names(std::move(sender), owner_names);
  sender = without_quotes(std::string(decode::trim(sender, " \t\r\n")));

  if (sender.empty() && c.subject.empty()) return std::nullopt;

  BuiltRow built;
  MessageListRow& row = built.row;
  row.message_id = c.message_id;
  row.kind = std::move(*kind);
  row.mail_number = std::to_string(lookup.record_number);
  row.key = lookup.attachment_ids;
  row.from = std::move(sender);
  row.subject = c.subject_prefix + c.subject;
  row.date = list_date(c);
  row.attachment = c.has_attachments;
  row.to = std::move(transport.xTo);
  row.cc = std::move(transport.xCC);
  row.bcc = std::move(transport.xBcc);
  row.stored_time = c.stored_time;
  row.sender = contents_sender(c.sender_name, c.S4031);
  built.position = leading_int(c.Le23);
  return built;
}

}  // namespace quorvine::listing
