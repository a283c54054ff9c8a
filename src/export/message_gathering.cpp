#include "export/message_gathering.hpp"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <set>
#include <span>

#include "decode/address_extraction.hpp"
#include "decode/identifiers.hpp"
#include "decode/text_passes.hpp"
#include "decode/value_renderers.hpp"
#include "export/mail_dates.hpp"
#include "export/transport_headers.hpp"
#include "listing/list_row_address.hpp"
#include "listing/message_listing.hpp"
#include "listing/stored_time.hpp"
#include "render/attachment_files.hpp"
#include "render/body_readers.hpp"
#include "scan/partial_record.hpp"
#include "scan/columns.hpp"

namespace quorvine::exporting {
namespace {

std::string without_quotes(std::string text) {
  std::erase(text, '"');
  return text;
}

bool attachments_wanted(const listing::MessageListRow& row, const std::string& ids) {
  return ids.size() > 14 && (row.kind == "mail" || row.kind == "activity" || row.kind == "appointment");
}

// The address a sender or recipient column holds: the text itself when it is one (an
// "SMTP:" prefix aside), case kept; else the first address found in it.
std::string address_in(const std::string& text) {
  std::string_view bare = decode::trim(text, " \t\r\n\"<>[]");
  if (bare.size() > 5 && (bare.substr(0, 5) == "SMTP:" || bare.substr(0, 5) == "smtp:")) bare.remove_prefix(5);
  if (plausible_address(bare)) return std::string(bare);
  return listing::first_extracted_address(text);
}

// The list's recipient text (addresses in "[ ]" or "< >", "," between them) as addresses.
std::vector<MailAddress> listed_addresses(std::string text) {
  std::erase(text, '"');
  return parse_address_list(text);
}

// The sender with the first address of `candidates` (in order), then of the header's From; a
// sender whose address is nowhere keeps its name (the header's, else the list's text).
MailAddress exported_sender(std::string name, std::initializer_list<std::string> candidates,
                            const std::vector<MailAddress>& header_from, const std::string& listed) {
  MailAddress sender{without_quotes(std::string(decode::trim(name, " \t\r\n"))), {}};
  // A name that carries its address ("Name <a@b>") keeps the name part.
  if (auto parsed = parse_address_list(sender.name); parsed.size() == 1) sender.name = parsed.front().name;
  for (const std::string& candidate : candidates)
    if (sender.address.empty()) sender.address = address_in(candidate);
  if (sender.address.empty() && !header_from.empty()) sender.address = header_from.front().address;
  if (sender.name.empty() && !header_from.empty()) sender.name = header_from.front().name;
  if (sender.name.empty() && sender.address.empty()) sender.name = without_quotes(listed);
  if (sender.name == sender.address) sender.name.clear();
  // A message always has a sender, if only in name.
  if (sender.name.empty() && sender.address.empty()) sender.name = "undisclosed-sender";
  return sender;
}

std::optional<size_t> column(const ese::Table& table, std::string_view name, scan::WantedColumns& wanted) {
  auto index = table.column_index(name);
  wanted.add(index);
  return index;
}

// The time columns of `chain`, in its order.
std::vector<std::optional<size_t>> time_columns(const ese::Table& table, std::span<const std::string_view> chain,
                                                scan::WantedColumns& wanted) {
  std::vector<std::optional<size_t>> found;
  for (std::string_view name : chain) found.push_back(column(table, name, wanted));
  return found;
}

// The 8-byte identifiers of an identifier list, each as lowercase hex without leading zeros
// (the form the attachment list keys take).
std::vector<std::string> identifier_texts(const ese::Bytes& bytes) {
  std::vector<std::string> ids;
  for (size_t at = 0; at + 8 <= bytes.size(); at += 8) {
    uint64_t value = 0;
    for (size_t i = 0; i < 8; ++i) value = (value << 8) | bytes[at + i];
    char text[20];
    std::snprintf(text, sizeof text, "%llx", static_cast<unsigned long long>(value));
    ids.emplace_back(text);
  }
  return ids;
}

}  // namespace

MessageGatherer::MessageGatherer(const scan::ScanSession& session, const Lookups2010* lookups,
                                 std::filesystem::path work_folder)
    : session_(session), lookups_(lookups), work_(std::move(work_folder)),
      listing_ctx_(listing::decode_context_for(session)) {
  ctx_.generation = session.settings.generation;
  ctx_.format_revision = session.format_revision;
  ctx_.temp_folder = work_;
  ctx_.spilled_column = -1;  // nothing is spilled: texts are read whole
  listing_ctx_.spilled_column = -1;
  if (session.message_table) listed_columns_ = listing::message_columns(*session.message_table);
}

void MessageGatherer::add_attachment(const ese::Record& record, size_t column, std::string name,
                                     std::optional<size_t> mime_tag, LargeValueCheck check,
                                     std::set<std::string>& taken, CompositionRecord& out) {
  std::optional<AttachmentContent> content = load_attachment(record, column, std::move(name), check);
  if (!content) return;
  if (mime_tag) content->mime_tag = record.text(*mime_tag).value_or("");
  // A nameless attachment is called what its file would be called.
  const std::string file_name = claim_file_name(content->name, taken);
  if (content->name.empty()) content->name = file_name;
  out.attachments.push_back(std::move(*content));
}

const ese::Table* MessageGatherer::table_at(size_t index) {
  auto it = tables_.find(index);
  if (it == tables_.end()) {
    if (!session_.database) return nullptr;
    it = tables_.emplace(index, session_.database->open_table(index)).first;
  }
  return &it->second;
}

void MessageGatherer::select_bodies(const ese::Record& record, const std::optional<size_t>& text,
                                    const std::optional<size_t>& html, const std::optional<size_t>& rtf,
                                    decode::Generation generation, CompositionRecord& out) {
  render::BodyOptions options;  // as stored: no byte-order mark, no preview policy
  options.in_memory = true;
  std::optional<render::BodyFile> text_body, html_body, rtf_body;
  if (text) text_body = render::read_text_body(generation, record, *text, work_, options);
  if (html) html_body = render::read_html_body(generation, record, *html, work_, options);
  if (rtf) rtf_body = render::read_rtf_body(record, *rtf, work_, options);
  // RTF that encapsulates HTML counts as an HTML body.
  if (rtf_body && rtf_body->html) {
    if (!html_body) html_body = rtf_body;
    rtf_body.reset();
  }
  // Every body the store holds goes in: the plain text (or the text of the RTF body when
  // there is none) and the HTML beside it as its alternative.
  const std::optional<render::BodyFile>& plain = text_body ? text_body : rtf_body;
  if (plain) {
    out.body_kind = "txt";
    out.body = plain->bytes;
    if (html_body) out.html_body = html_body->bytes;
  } else if (html_body) {
    out.body_kind = "html";
    out.body = html_body->bytes;
  }
}

std::optional<uint64_t> MessageGatherer::stored_time(const listing::MessageListRow& row) {
  if (row.stored_time || session_.settings.generation != decode::Generation::V2007)
    return row.stored_time;
  const scan::MsgTable* entry = session_.index.find_message(row.message_id);
  if (!entry || !session_.message_table) return std::nullopt;
  const ese::Table& table = *session_.message_table;
  scan::WantedColumns wanted;
  const auto dates = time_columns(table, scan::columns::message_times_2007, wanted);
  wanted.recompute();
  auto record = scan::read_partial_record(table, static_cast<uint64_t>(entry->recordNumber), wanted);
  return record ? listing::first_stored_time(*record, dates) : std::nullopt;
}

CompositionRecord MessageGatherer::gather_2007(const listing::MessageListRow& listed_row, const std::string& cached_body) {
  CompositionRecord out;
  out.subject = listed_row.subject;
  out.date_text = listed_row.date;
  // The time the list shows, from the contents record; the message record's only without one.
  out.filetime = listed_row.stored_time;
  std::string N67b5, S4025;
  std::optional<listing::MessageListRow> completed;  // the row with the recipients the list left unread

  const scan::MsgTable* entry = session_.index.find_message(listed_row.message_id);
  if (entry && session_.message_table) {
    const ese::Table& table = *session_.message_table;
    scan::WantedColumns wanted;
    const auto S7d = column(table, scan::columns::transport_headers, wanted), S1000 = column(table, scan::columns::text_body, wanted),
               N1013 = column(table, scan::columns::html_body, wanted), N1009 = column(table, scan::columns::rtf_body, wanted),
               S70 = column(table, scan::columns::topic, wanted), S4025_column = column(table, scan::columns::sender_address, wanted),
               N67b5_column = column(table, scan::columns::sender_fallback, wanted);
    const auto dates = time_columns(table, scan::columns::message_times_2007, wanted);
    if (listed_row.recipients_unread) {
      wanted.add(listed_columns_.transport_headers);
      wanted.add(listed_columns_.display_to);
      wanted.add(listed_columns_.sender_fallback);
    }
    wanted.recompute();
    const ese::Record record = table.read_record(static_cast<uint64_t>(entry->recordNumber), wanted.columns);
    // Transport headers stored as a long value are read once, for the list's recipients and
    // for the message.
    std::optional<std::string> whole_headers;
    if (listed_row.recipients_unread) {
      completed = listed_row;
      listing::fill_recipients(listing_ctx_, record, listed_columns_, *completed,
                              S7d == listed_columns_.transport_headers ? &whole_headers : nullptr);
    }
    if (out.subject.empty() && S70) out.subject = record.text(*S70).value_or("");
    if (whole_headers) out.transport_headers = std::move(*whole_headers);
    else if (S7d) out.transport_headers = record.text(*S7d).value_or("");
    if (N67b5_column) N67b5 = decode::render_value(ctx_, &record, *N67b5_column);
    if (S4025_column) S4025 = record.text(*S4025_column).value_or("");
    if (!out.filetime) out.filetime = listing::first_stored_time(record, dates);
    select_bodies(record, S1000, N1013, N1009, decode::Generation::V2007, out);
  }
  const listing::MessageListRow& row = completed ? *completed : listed_row;
  const std::string& headers = out.transport_headers;
  out.message_id = header_field(headers, "Message-ID");
  out.from = {exported_sender(row.sender.name, {row.sender.address, row.sender.name, N67b5, S4025},
                              header_addresses(headers, "From"), row.from)};
  // Recipients as the transport headers write them; the list's text where they have none.
  const struct {
    std::vector<MailAddress>& list;
    const char* field;
    const std::string& listed;
  } recipients[] = {{out.to, "To", row.to}, {out.cc, "Cc", row.cc}, {out.bcc, "Bcc", row.bcc}};
  for (const auto& r : recipients) {
    r.list = header_addresses(headers, r.field);
    if (r.list.empty()) r.list = listed_addresses(r.listed);
  }
  if (!out.body) {
    out.body_kind = "txt";
    if (!cached_body.empty()) out.body = cached_body;
  }

  if (attachments_wanted(row, row.key)) {
    std::set<std::string> taken;
    for (render::AttachmentValue& found : render::find_attachments(session_, row.key)) {
      // A damaged attachment is left out; the message and its other attachments are kept.
      try {
        const ese::Table* table = table_at(found.table_index);
        if (!table || !found.column) continue;
        const auto tag = table->column_index("S370e");
        std::vector<size_t> data = {*found.column};
        if (tag) data.push_back(*tag);
        std::sort(data.begin(), data.end());
        const ese::Record record = table->read_record(found.record, data);
        add_attachment(record, *found.column, found.name, tag, LargeValueCheck::ReadThrough, taken, out);
      } catch (const ese::EseError& error) {
        out.attachments_lost.push_back("the attachment \"" + found.name + "\" cannot be read: " + error.what());
      }
    }
  }
  return out;
}

CompositionRecord MessageGatherer::gather_2010(const listing::MessageListRow& row, const std::string& body_table) {
  CompositionRecord out;
  out.subject = row.subject;
  out.date_text = row.date;
  out.filetime = row.stored_time;
  std::string N67b5, S4025, display_to, N2c;

  const scan::MessageLists2010& lists = lookups_ && lookups_->lists ? *lookups_->lists : session_.lists2010;
  const std::optional<size_t> body_entry = lookups_ ? lookups_->body_entry(body_table, row.message_id) : std::nullopt;
  const ese::Table* table = body_entry ? table_at(lists.cached_bodies[*body_entry].tableIndex) : nullptr;
  if (table) {
    const scan::BodyEntry2010& entry = lists.cached_bodies[*body_entry];
    scan::WantedColumns wanted;
    const auto S7d = column(*table, scan::columns::transport_headers, wanted), S1000 = column(*table, scan::columns::text_body, wanted),
               N1013 = column(*table, scan::columns::html_body, wanted), N1009 = column(*table, scan::columns::rtf_body, wanted),
               S4025_column = column(*table, scan::columns::sender_address, wanted), N67b5_column = column(*table, scan::columns::sender_fallback, wanted),
               N67b4 = column(*table, scan::columns::display_to, wanted), N2c_column = column(*table, scan::columns::recipients_fallback, wanted),
               N67b3 = column(*table, scan::columns::attachment_ids, wanted);
    wanted.recompute();
    const ese::Record record = table->read_record(static_cast<uint64_t>(entry.recordNumber), wanted.columns);
    if (S7d) out.transport_headers = record.text(*S7d).value_or("");
    if (S4025_column) S4025 = record.text(*S4025_column).value_or("");
    if (N67b5_column) N67b5 = decode::render_value(ctx_, &record, *N67b5_column);
    if (N67b4) {
      display_to = decode::render_value(ctx_, &record, *N67b4);
      decode::replace_all(display_to, "  ", "\x01");
      std::erase(display_to, ' ');
      std::replace(display_to.begin(), display_to.end(), '\x01', ' ');
    }
    if (N2c_column) N2c = decode::render_value(ctx_, &record, *N2c_column);
    select_bodies(record, S1000, N1013, N1009, session_.settings.generation, out);

    // The message's attachment identifiers, read from its own record: the listed text of
    // "N67b3" is a printable filter of the bytes and cannot be matched.
    const bool wanted_kind = row.kind == "mail" || row.kind == "activity" || row.kind == "appointment";
    if (wanted_kind && N67b3 && lookups_) {
      std::vector<size_t> found;
      for (const std::string& id : identifier_texts(record.bytes(*N67b3).value_or(ese::Bytes()))) {
        auto it = lookups_->attachments_by_key.find(Lookups2010::key(body_table, id));
        if (it != lookups_->attachments_by_key.end()) found.insert(found.end(), it->second.begin(), it->second.end());
      }
      std::sort(found.begin(), found.end());
      found.erase(std::unique(found.begin(), found.end()), found.end());
      std::set<std::string> taken;
      const auto tag = table->column_index("S370e");
      for (size_t i : found) {
        const scan::AttachmentEntry2010& attachment = lists.cached_attachments[i];
        const ese::Table* attachment_table = table_at(attachment.tableIndex);
        if (!attachment_table || !attachment.dataColumn) continue;
        const auto attachment_tag = attachment_table == table ? tag : attachment_table->column_index("S370e");
        std::vector<size_t> data = {*attachment.dataColumn};
        if (attachment_tag) data.push_back(*attachment_tag);
        std::sort(data.begin(), data.end());
        const ese::Record record = attachment_table->read_record(static_cast<uint64_t>(attachment.recordNumber), data);
        // A damaged attachment fails its message, as a damaged body does.
        add_attachment(record, *attachment.dataColumn, attachment.fileName, attachment_tag,
                       LargeValueCheck::WhenWritten, taken, out);
      }
    }
  }
  const std::string& headers = out.transport_headers;
  out.message_id = header_field(headers, "Message-ID");
  out.from = {exported_sender(row.from, {row.from, N67b5, S4025}, header_addresses(headers, "From"), row.from)};
  out.to = header_addresses(headers, "To");
  out.cc = header_addresses(headers, "Cc");
  out.bcc = header_addresses(headers, "Bcc");
  if (out.to.empty()) {
    out.to = parse_address_list(decode::extract_addresses(display_to));
    if (out.to.empty()) out.to = parse_address_list(decode::extract_addresses(N2c));
  }
  if (!out.body && out.body_kind.empty()) out.body_kind = "txt";
  return out;
}

}  // namespace quorvine::exporting
