#include "render/message_preview.hpp"

#include <optional>

#include "decode/address_extraction.hpp"
#include "decode/identifiers.hpp"
#include "decode/text_passes.hpp"
#include "decode/value_renderers.hpp"
#include "render/item_fields.hpp"
#include "render/file_sinks.hpp"
#include "render/item_pages.hpp"
#include "render/item_values.hpp"
#include "textfile/utf16_text_file.hpp"
#include "scan/columns.hpp"

namespace quorvine::render {
namespace {

namespace fs = std::filesystem;

std::string brackets(std::string text) {
  decode::replace_all(text, "<", "[");
  decode::replace_all(text, ">", "]");
  return text;
}

// The first "Name: value" line of transport headers.
std::string header_line(const std::string& headers, std::string_view name) {
  const size_t at = headers.find(name);
  if (at == std::string::npos) return {};
  size_t start = at + name.size();
  while (start < headers.size() && (headers[start] == ' ' || headers[start] == '\t')) ++start;
  const size_t end = headers.find('\n', start);
  if (end == std::string::npos) return {};
  return headers.substr(start, end - start);
}

// Everything the selected row brings, as the renderers' named strings.
struct RowState {
  std::string from, subject, date, to, cc, bcc;
  std::string attachment_flag, attachment_ids, attachment_names;
};

bool attachment_kind(const std::string& kind) { return kind == "mail" || kind == "activity" || kind == "appointment"; }

std::string renderer_2007(const std::string& kind) {
  for (auto k : {"mail", "contact", "appointment", "activity", "task", "notes", "distlist"})
    if (kind == k) return kind;
  return "mail";
}
std::string renderer_2010(const std::string& kind) {
  for (auto k : {"mail", "contact", "appointment", "task", "notes", "distlist"})
    if (kind == k) return kind;
  return "mail";
}

std::string_view frame_layout(const std::string& renderer) {
  if (renderer == "mail") return "rows='140px,*' framespacing='1' border='1'";
  if (renderer == "notes" || renderer == "distlist") return "rows='30%,*' border='0'";
  if (renderer == "activity") return "rows='20%,*' border='0'";
  return "cols='*,*' border='0'";
}

// The mail pages' rows.
std::vector<HeaderRow> mail_rows(const RowState& s, bool exchange2010, std::vector<PreviewField>& fields) {
  std::string to = s.to;
  decode::replace_all(to, ",", ", ");
  const std::string from_cell = exchange2010 ? "   <td height='18' width='450'><b>From :</b>" : "   <td height='18'><b>From :</b>";
  const std::string subject_cell =
      exchange2010 ? "   <td height='18' width='450'><b>Subject: </b> " : "   <td height='18'><b>Subject: </b> ";
  const std::string attachment_cell = exchange2010 ? "   <td height='20' colspan='2'><b>Attachment: </b><span color='red'>"
                                                   : "   <td height='18' colspan='2'><b>Attachment: </b><span color='red'>";
  fields = {{"From :", s.from}, {"Date:", s.date}, {"Subject: ", s.subject}, {"To:", to},
            {"Cc: ", s.cc},           {"Bcc: ", s.bcc},        {"Attachment: ", s.attachment_names}};
  return {HeaderRow{{{from_cell, s.from}, {"   <td height='18'><b>Date:</b >", s.date}}},
          HeaderRow{{{subject_cell, s.subject}, {"    <td height='18'><b>To:</b> ", to}}},
          HeaderRow{{{"   <td height='18' colspan='2'><b>Cc: </b><span color='red'>", s.cc, true}}, true},
          HeaderRow{{{"   <td height='18' colspan='2'><b>Bcc: </b><span color='red'>", s.bcc, true}}, true},
          HeaderRow{{{attachment_cell, s.attachment_names, true}}, true}};
}

// The other kinds' rows from their field tables.
std::vector<HeaderRow> item_rows(decode::DecodeContext& ctx, const ItemRecord& item, const std::string& renderer,
                                 bool exchange2010, const RowState& s, std::vector<PreviewField>& fields) {
  std::vector<HeaderRow> rows;
  const bool attachment_shown = s.attachment_flag == "true" && !s.attachment_ids.empty();
  for (const ItemField& f : item_fields(renderer)) {
    std::string value;
    const auto& chain = exchange2010 ? f.columns_2010 : f.columns_2007;
    if (f.source == FieldSource::From) value = s.from;
    else if (f.source == FieldSource::Subject) value = s.subject;
    else if (f.source == FieldSource::To) value = s.to;
    else if (f.source == FieldSource::Attachment) value = s.attachment_names;
    if (value.empty() && f.source != FieldSource::Attachment) value = chain_text(ctx, item, chain);
    if (f.source == FieldSource::From && value == chain_text(ctx, item, chain)) value = brackets(value);
    bool shown = f.shown == Shown::Always || !value.empty();
    if (f.source == FieldSource::Attachment)
      shown = f.shown == Shown::Always || (f.shown == Shown::WhenSet && !value.empty()) ||
              (f.shown == Shown::WithAttachments && attachment_shown);
    if (!shown) continue;
    fields.push_back({std::string(f.label), value});
    if (f.source == FieldSource::Attachment)
      rows.push_back({{{"   <td height='20' colspan='2'><b>Attachment: </b><span color='red'>", value, true}}});
    else
      rows.push_back({{{"   <td height='20'><b>" + std::string(f.label) + "</b> ", value}}});
  }
  return rows;
}

// The member list of a distribution list, one member per line.
BodyFile distlist_body(decode::DecodeContext& ctx, const ItemRecord& item, bool exchange2010, const fs::path& folder) {
  std::string members = html_escape(column_text(ctx, item, exchange2010 ? "MN81e9" : "MN81d8"));
  if (exchange2010) {
    members = decode::extract_addresses(members);
  } else {
    decode::replace_all(members, ",", "],");
  }
  decode::replace_all(members, "SMTP", " [");
  decode::replace_all(members, ",", "<br>");
  const fs::path path = folder / "body.html";
  write_page(path, members);
  return BodyFile{BodyKind::Html, path, true, {}};
}

}  // namespace

PreviewResult preview_message(scan::ScanSession& session, decode::DecodeContext& ctx, const listing::MessageListRow& row,
                              const std::vector<std::pair<std::string, std::string>>& body_texts,
                              const fs::path& folder, const ese::PassControl& control) {
  const auto version = session.settings.generation;
  if (version == decode::Generation::V2013)
    throw PreviewUnsupported("Exchange 2013 stores have no message preview yet.");
  const bool exchange2010 = version == decode::Generation::V2010;

  PreviewResult result;
  RowState s{row.from, row.subject, row.date, row.to, row.cc, row.bcc, row.attachment, "", ""};
  ItemRecord item;
  std::optional<ese::Table> body_table;
  uint64_t record_number = 0;

  if (!exchange2010) {
    result.renderer = renderer_2007(row.kind);
    s.attachment_ids = row.key;
    try {
      record_number = static_cast<uint64_t>(std::stoull(row.mail_number));
    } catch (const std::exception&) {
      result.warnings.push_back("The row's record number \"" + row.mail_number + "\" is not a number.");
    }
    if (session.message_table) item.table = &*session.message_table;
  } else {
    result.renderer = renderer_2010(row.kind);
    s.to = s.cc = s.bcc = "";
    std::string body_name = row.key;
    decode::replace_all(body_name, "Folders", "Body");
    for (const auto& entry : session.lists2010.cached_bodies) {
      if (entry.tableName != body_name || !row.message_id.starts_with(entry.messageKey)) continue;
      record_number = static_cast<uint64_t>(entry.recordNumber);
      s.attachment_ids = entry.attachmentIds;
      if (session.database) body_table = session.database->open_table(entry.tableIndex);
      break;
    }
    if (body_table) item.table = &*body_table;
    else result.warnings.push_back("The message's body record was not found.");
  }
  if (item.table) {
    try {
      item.record = item.table->read_record(record_number);
    } catch (const ese::EseError& error) {
      result.warnings.push_back(std::string("The message's record cannot be read: ") + error.what());
    }
  }

  if (s.attachment_ids.size() > 14 && attachment_kind(row.kind)) {
    result.attachments = exchange2010 ? save_attachments_2010(session, s.attachment_ids, folder, control)
                                      : save_attachments(session, s.attachment_ids, folder, control);
    s.attachment_names = result.attachments.attachment_names;
    result.stopped = result.attachments.stopped;
    for (const auto& file : result.attachments.files)
      if (!file.error.empty()) result.warnings.push_back("Attachment \"" + file.name + "\" was not written: " + file.error);
  }
  if (result.stopped) return result;

  // Subject, and for all but mail the sender, from the record when the row has none.
  if (s.subject.empty()) s.subject = column_text(ctx, item, scan::columns::topic);
  if (s.from.empty() && result.renderer != "mail") s.from = brackets(column_text(ctx, item, scan::columns::sender_fallback));
  if (exchange2010 && result.renderer == "mail") {
    const std::string headers = column_text(ctx, item, scan::columns::transport_headers);
    if (!headers.empty()) {
      // extract_addresses gives back the leftover words when the line holds no address.
      if (std::string from = decode::extract_addresses(header_line(headers, "From:")); from.find('@') != std::string::npos)
        s.from += "[" + from + "]";
      s.to = decode::extract_addresses(header_line(headers, "To:"));
    }
    if (s.to.empty()) {
      s.to = decode::extract_addresses(column_text(ctx, item, scan::columns::display_to));
      if (s.to.empty()) s.to = decode::extract_addresses(column_text(ctx, item, scan::columns::recipients_fallback));
      s.to = brackets(s.to);
    }
    if (s.from.empty())
      if (std::string sender = decode::extract_addresses(column_text(ctx, item, scan::columns::sender_address)); !sender.empty())
        s.from = "<" + sender + ">";
  }
  if (exchange2010 && result.renderer == "appointment" && s.to.empty()) s.to = column_text(ctx, item, scan::columns::display_to);

  // The body.
  const BodyOptions options{true};
  if (result.renderer == "distlist") {
    result.body.body = distlist_body(ctx, item, exchange2010, folder);
    result.body.mail_body_type = exchange2010 ? 1 : 2;
  } else if (item.record) {
    result.body = select_body(exchange2010 ? decode::Generation::V2010 : decode::Generation::V2007, *item.record,
                              body_columns(*item.table), folder, options);
  }
  if (result.body.body.kind == BodyKind::None) {
    std::string fallback;
    if (!exchange2010)
      for (const auto& [key, text] : body_texts)
        if (key == row.message_id) fallback += text;
    if (exchange2010 && result.renderer == "task") fallback = "......";
    result.body.body = write_text_body(fallback, folder, "blank.txt", options);
    result.body.body.kind = BodyKind::None;
  }
  result.warnings.insert(result.warnings.end(), result.body.warnings.begin(), result.body.warnings.end());

  if (exchange2010 && result.renderer == "notes") {
    result.frame_page = result.body.body.path;
    return result;
  }
  const bool mail = result.renderer == "mail";
  const auto rows = mail ? mail_rows(s, exchange2010, result.fields)
                         : item_rows(ctx, item, result.renderer, exchange2010, s, result.fields);
  result.header_page = folder / "header.html";
  write_page(result.header_page, header_page_html(rows, mail));
  result.frame_page = folder / "strEmlPath.html";
  write_page(result.frame_page, frame_page_html(frame_layout(result.renderer), result.body.body.path));
  return result;
}

}  // namespace quorvine::render
