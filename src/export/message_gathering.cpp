#include "export/message_gathering.hpp"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <set>

#include "decode/address_extraction.hpp"
#include "decode/identifiers.hpp"
#include "decode/text_passes.hpp"
#include "decode/value_renderers.hpp"
#include "export/mail_dates.hpp"
#include "render/attachment_files.hpp"
#include "render/body_readers.hpp"
#include "export/transport_headers.hpp"
#include "scan/partial_record.hpp"

namespace quorvine::exporting {
namespace {

std::string without_quotes(std::string text) {
  std::erase(text, '"');
  return text;
}

// The first address of an extractemailid result ("a@b,c@d,"), without its separator.
std::string first_address(const std::string& addresses) {
  const auto comma = addresses.find(',');
  std::string first = addresses.substr(0, comma);
  return first.find('@') == std::string::npos ? std::string() : first;
}

bool has_address(const std::string& sender) {
  return sender.find('@') != std::string::npos;
}

bool attachments_wanted(const scan::MessageListRow& row, const std::string& ids) {
  return ids.size() > 14 && (row.kind == "mail" || row.kind == "activity" || row.kind == "appointment");
}

void keep_transport_identifiers(const std::string& headers, CompositionRecord& out) {
  out.message_id = header_field(headers, "Message-ID");
  out.in_reply_to = header_field(headers, "In-Reply-To");
  out.references = header_field(headers, "References");
}

std::optional<size_t> column(const ese::Table& table, std::string_view name, scan::WantedColumns& wanted) {
  auto index = table.column_index(name);
  wanted.add(index);
  return index;
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

std::optional<uint64_t> first_stored_time(const ese::Record& record, const std::vector<std::optional<size_t>>& columns) {
  for (const auto& c : columns) {
    if (!c) continue;
    auto bytes = record.bytes(*c);
    if (!bytes || bytes->size() != 8) continue;
    uint64_t value = 0;
    for (size_t i = 0; i < 8; ++i) value |= static_cast<uint64_t>((*bytes)[i]) << (8 * i);
    if (filetime_to_unix(value)) return value;
  }
  return std::nullopt;
}

void Lookups2010::index_lists(const scan::MessageLists2010& lists) {
  this->lists = &lists;
  body_by_key.clear();
  attachments_by_key.clear();
  std::set<size_t, std::greater<>> lengths;
  for (size_t i = 0; i < lists.MessageBodyList2010Dump.size(); ++i) {
    const auto& body = lists.MessageBodyList2010Dump[i];
    body_by_key[key(body.tableName, body.messageKey)] = i;  // the last entry wins
    lengths.insert(body.messageKey.size());
  }
  body_key_lengths.assign(lengths.begin(), lengths.end());
  for (size_t i = 0; i < lists.MessageAttachmentList2010Dump.size(); ++i) {
    const auto& attachment = lists.MessageAttachmentList2010Dump[i];
    if (attachment.messageKey.empty()) continue;
    attachments_by_key[key(attachment.tableName, attachment.messageKey)].push_back(i);
  }
}

std::optional<size_t> Lookups2010::body_entry(const std::string& body_table, const std::string& message_id) const {
  for (size_t length : body_key_lengths) {
    if (length == 0 || length > message_id.size()) continue;
    auto it = body_by_key.find(key(body_table, message_id.substr(0, length)));
    if (it != body_by_key.end()) return it->second;
  }
  return std::nullopt;
}

void Lookups2010::read_stored_times(const scan::ScanSession& session, const std::string& table_name) {
  if (!session.database) return;
  auto index = session.database->find_table(table_name);
  if (!index) return;
  const ese::Table table = session.database->open_table(*index);
  scan::WantedColumns wanted;
  const auto id = column(table, "N67b0", wanted);
  const std::vector<std::optional<size_t>> dates = {column(table, "Te06", wanted), column(table, "T3007", wanted),
                                                     column(table, "T39", wanted)};
  wanted.recompute();
  if (!id) return;
  table.for_each_record(wanted.columns, [&](uint64_t, const ese::Record& record) {
    const std::string message_id = decode::export_exchange_record_value_64bit(&record, *id, 'b');
    if (auto time = first_stored_time(record, dates)) stored_times[key(table_name, message_id)] = *time;
    return true;
  });
}

MessageGatherer::MessageGatherer(const scan::ScanSession& session, const Lookups2010* lookups,
                                 std::filesystem::path work_folder)
    : session_(session), lookups_(lookups), work_(std::move(work_folder)) {
  ctx_.exchange_version_support = std::string(scan::to_string(session.settings.exchange_version_support));
  ctx_.format_revision = session.format_revision;
  ctx_.tempFilePath = work_;
  ctx_.m_S7d = -1;  // nothing is spilled: texts are read whole
}

void MessageGatherer::add_attachment(const ese::Record& record, size_t column, std::string name,
                                     LargeValueCheck check, std::set<std::string>& taken, CompositionRecord& out) {
  std::optional<AttachmentContent> content = load_attachment(record, column, std::move(name), check);
  if (!content) return;
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
                                    bool is2010, CompositionRecord& out) {
  render::BodyOptions options;  // as stored: no byte-order mark, no preview policy
  options.in_memory = true;
  std::optional<render::BodyFile> text_body, html_body, rtf_body;
  if (is2010) {
    if (text) text_body = render::export_handle_export_msg_txt_record_value(record, *text, work_, options);
    if (html) html_body = render::export_handle_export_msg_html_record_value(record, *html, work_, options);
    if (rtf) rtf_body = render::export_handle_export_msg_record_value_2010(record, *rtf, work_, options);
  } else {
    if (text) text_body = render::export_handle_export_msg_text_body_record_value(record, *text, work_, options);
    if (html) html_body = render::export_handle_export_msg_html_body_record_value(record, *html, work_, options);
    if (rtf) rtf_body = render::export_handle_export_msg_rtf_body_record_value(record, *rtf, work_, options);
  }
  // RTF that encapsulates HTML counts as an HTML body.
  if (rtf_body && rtf_body->html) {
    if (!html_body) html_body = rtf_body;
    rtf_body.reset();
  }
  // 2010 tries RTF, HTML, text; 2003/2007 text, HTML, RTF. The first found is the body.
  const std::optional<render::BodyFile>& first_text = is2010 ? (rtf_body ? rtf_body : text_body)
                                                             : (text_body ? text_body : rtf_body);
  const bool text_first = is2010 ? rtf_body.has_value() : text_body.has_value();
  if (first_text && (text_first || !html_body)) {
    out.body_kind = "txt";
    out.body = first_text->bytes;
    if (html_body) out.html_body = html_body->bytes;
  } else if (html_body) {
    out.body_kind = "html";
    out.body = html_body->bytes;
  }
}

std::optional<uint64_t> MessageGatherer::stored_time_2007(const scan::MessageListRow& row) {
  const scan::MsgTable* entry = session_.index.MsgFindRecord(row.message_id);
  if (!entry || !session_.msgtable) return std::nullopt;
  const ese::Table& table = *session_.msgtable;
  scan::WantedColumns wanted;
  const std::vector<std::optional<size_t>> dates = {column(table, "T39", wanted), column(table, "Te06", wanted),
                                                     column(table, "T3007", wanted)};
  wanted.recompute();
  auto record = scan::read_partial_record(table, static_cast<uint64_t>(entry->recordNumber), wanted);
  return record ? first_stored_time(*record, dates) : std::nullopt;
}

std::optional<uint64_t> MessageGatherer::stored_time_2010(const scan::MessageListRow& row,
                                                          const std::string& header_table) const {
  if (!lookups_) return std::nullopt;
  auto it = lookups_->stored_times.find(Lookups2010::key(header_table, row.message_id));
  if (it == lookups_->stored_times.end()) return std::nullopt;
  return it->second;
}

CompositionRecord MessageGatherer::gather_2007(const scan::MessageListRow& row, const std::string& cached_body,
                                               const std::filesystem::path& message_file) {
  CompositionRecord out;
  out.message_file = message_file;
  out.from = without_quotes(row.from);
  out.subject = row.subject;
  out.date_text = row.date;
  out.cc = row.cc;
  out.bcc = row.bcc;
  std::string to = row.to;
  std::replace(to.begin(), to.end(), '[', '<');
  std::replace(to.begin(), to.end(), ']', '>');
  decode::replace_all(to, ">", ">,");
  decode::replace_all(to, ",,", ",");
  decode::replace_all(to, ", ", ",");
  decode::replace_all(to, " <", "<");
  out.to = to;

  const scan::MsgTable* entry = session_.index.MsgFindRecord(row.message_id);
  if (entry && session_.msgtable) {
    const ese::Table& table = *session_.msgtable;
    scan::WantedColumns wanted;
    const auto S7d = column(table, "S7d", wanted), S1000 = column(table, "S1000", wanted),
               N1013 = column(table, "N1013", wanted), N1009 = column(table, "N1009", wanted),
               S70 = column(table, "S70", wanted), S4025 = column(table, "S4025", wanted);
    const std::vector<std::optional<size_t>> dates = {column(table, "T39", wanted), column(table, "Te06", wanted),
                                                       column(table, "T3007", wanted)};
    wanted.recompute();
    const ese::Record record = table.read_record(static_cast<uint64_t>(entry->recordNumber), wanted.columns);
    if (out.subject.empty() && S70) out.subject = record.text(*S70).value_or("");
    if (S7d) keep_transport_identifiers(record.text(*S7d).value_or(""), out);
    // A sender shown by its owner's name alone still gets its address.
    if (!has_address(out.from) && S4025) {
      const std::string address = first_address(decode::extractemailid(record.text(*S4025).value_or("")));
      if (!address.empty()) out.from += "<" + address + ">";
    }
    out.filetime = first_stored_time(record, dates);
    select_bodies(record, S1000, N1013, N1009, false, out);
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
        const size_t data[] = {*found.column};
        const ese::Record record = table->read_record(found.record, data);
        add_attachment(record, *found.column, std::move(found.name), LargeValueCheck::ReadThrough, taken, out);
      } catch (const ese::EseError&) {
      }
    }
  }
  return out;
}

CompositionRecord MessageGatherer::gather_2010(const scan::MessageListRow& row, const std::string& body_table,
                                               const std::string& header_table,
                                               const std::filesystem::path& message_file) {
  CompositionRecord out;
  out.message_file = message_file;
  out.from = row.from;
  out.subject = row.subject;
  out.date_text = row.date;
  out.filetime = stored_time_2010(row, header_table);

  const scan::MessageLists2010& lists = lookups_ && lookups_->lists ? *lookups_->lists : session_.lists2010;
  const std::optional<size_t> body_entry = lookups_ ? lookups_->body_entry(body_table, row.message_id) : std::nullopt;
  const ese::Table* table = body_entry ? table_at(lists.MessageBodyList2010Dump[*body_entry].tableIndex) : nullptr;
  if (table) {
    const scan::MessageBodyList2010& entry = lists.MessageBodyList2010Dump[*body_entry];
    scan::WantedColumns wanted;
    const auto S7d = column(*table, "S7d", wanted), S1000 = column(*table, "S1000", wanted),
               N1013 = column(*table, "N1013", wanted), N1009 = column(*table, "N1009", wanted),
               S4025 = column(*table, "S4025", wanted), N67b4 = column(*table, "N67b4", wanted),
               N2c = column(*table, "N2c", wanted), N67b3 = column(*table, "N67b3", wanted);
    wanted.recompute();
    const ese::Record record = table->read_record(static_cast<uint64_t>(entry.recordNumber), wanted.columns);

    const std::string headers = S7d ? record.text(*S7d).value_or("") : std::string();
    if (!headers.empty()) {
      const std::string sender = first_address(header_addresses(headers, "From"));
      if (!sender.empty()) out.from += "<" + sender + ">";
      // Every address of each field, not only the first.
      out.to = header_addresses(headers, "To");
      out.cc = header_addresses(headers, "Cc");
      out.bcc = header_addresses(headers, "Bcc");
      keep_transport_identifiers(headers, out);
    }
    if (out.to.empty()) {
      if (N67b4) {
        std::string display = decode::export_handle_export_msg_record_value(ctx_, &record, *N67b4);
        decode::replace_all(display, "  ", "\x01");
        std::erase(display, ' ');
        std::replace(display.begin(), display.end(), '\x01', ' ');
        out.to = decode::extractemailid(display);
      }
      if (out.to.find('@') == std::string::npos && N2c)
        out.to = decode::extractemailid(decode::export_handle_export_msg_record_value(ctx_, &record, *N2c));
      if (out.to.find('@') == std::string::npos) out.to.clear();
      std::replace(out.to.begin(), out.to.end(), '<', '[');
      std::replace(out.to.begin(), out.to.end(), '>', ']');
    }
    if (S4025) {
      const std::string address = first_address(decode::extractemailid(record.text(*S4025).value_or("")));
      if (!address.empty()) out.from += "<" + address + ">";
    }
    select_bodies(record, S1000, N1013, N1009, true, out);

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
      for (size_t i : found) {
        const scan::MessageAttachmentList2010& attachment = lists.MessageAttachmentList2010Dump[i];
        const ese::Table* attachment_table = table_at(attachment.tableIndex);
        if (!attachment_table || !attachment.dataColumn) continue;
        const size_t data[] = {*attachment.dataColumn};
        const ese::Record record = attachment_table->read_record(static_cast<uint64_t>(attachment.recordNumber), data);
        // A damaged attachment fails its message, as a damaged body does.
        add_attachment(record, *attachment.dataColumn, attachment.fileName, LargeValueCheck::WhenWritten, taken, out);
      }
    }
  }
  out.from = without_quotes(out.from);
  if (!out.body && out.body_kind.empty()) out.body_kind = "txt";
  decode::replace_all(out.to, ">", ">,");
  decode::replace_all(out.to, ",,", ",");
  decode::replace_all(out.to, " <", "<");
  return out;
}

}  // namespace quorvine::exporting
