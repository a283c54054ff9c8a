#include <string>

#include "decode/identifiers.hpp"
#include "ese/text.hpp"
#include "decode/printable_filters.hpp"
#include "decode/value_renderers.hpp"
#include "listing/contents_rows.hpp"
#include "listing/list_row_builder.hpp"
#include "listing/list_row_order.hpp"
#include "listing/message_listing.hpp"
#include "scan/column_maps.hpp"
#include "listing/header_list_entry.hpp"
#include "listing/message_list_2007.hpp"
#include "scan/partial_record.hpp"
#include "scan/columns.hpp"

namespace quorvine::listing {
namespace {

using scan::ColumnIndex;

// The transport-header text of a "Msg" record as the list reads it: a long value is taken
// byte by byte keeping only bytes 1 to 125, as the spill file would hold it; a value kept in
// the record is taken as its text.
std::string transport_header_text(const decode::DecodeContext& ctx, const ese::Record& record, ColumnIndex column,
                                  std::optional<std::string>* whole) {
  if (!column) return {};
  const ese::StoredValue* stored = record.stored(*column);
  if (!stored) return {};
  const bool long_value = (stored->flags & ese::value_flags::long_value) != 0 &&
                          (stored->flags & ese::value_flags::multi_value) == 0;
  if (!long_value) return decode::render_value(ctx, &record, *column);
  std::string text;
  try {
    ese::Bytes joined;
    for (const ese::Bytes& segment : record.long_value_segments(*column)) {
      text += decode::preview_text(segment);
      if (whole) joined.insert(joined.end(), segment.begin(), segment.end());
    }
    if (whole) *whole = ese::decode_text(joined, stored->codepage);
  } catch (const ese::EseError&) {
    ctx.count_damaged_value();
    return {};
  }
  return text;
}

// The 8 bytes of a time column as a FILETIME.
std::optional<uint64_t> stored_filetime(const ese::Record& record, ColumnIndex column) {
  if (!column) return std::nullopt;
  const auto bytes = record.bytes(*column);
  if (!bytes || bytes->size() != 8) return std::nullopt;
  uint64_t value = 0;
  for (size_t i = 0; i < 8; ++i) value |= static_cast<uint64_t>((*bytes)[i]) << (8 * i);
  return value;
}

class ContentsRowSource {
 public:
  ContentsRowSource(const scan::ScanSession& session, const decode::DecodeContext& ctx)
      : session_(session), ctx_(ctx) {
    // Transport headers are read here without a spill file, so no column is spilled: with
    // "S7d"'s index set, a contents column at that index would come back as "true".
    ctx_.spilled_column = -1;
    for (const auto& mailbox : session.mailboxes) owner_names_.push_back(mailbox.ownerName);
    if (session.message_table) {
      msg_columns_ = message_columns(*session.message_table);
      msg_wanted_.add(msg_columns_.transport_headers);
      msg_wanted_.add(msg_columns_.display_to);
      msg_wanted_.add(msg_columns_.sender_fallback);
      msg_wanted_.recompute();
    }
  }

  ContentsTexts texts(const ese::Record& record, const ContentsColumns& c) {
    auto text = [&](ColumnIndex column) -> std::string {
      return column ? decode::render_value(ctx_, &record, *column) : std::string();
    };
    auto date = [&](ColumnIndex column) -> std::string {
      if (!column) return {};
      return decode::stored_filetime_text(&record, *column, 'l').value_or("");
    };
    ContentsTexts t;
    t.message_id = c.message_id ? decode::identifier_text(&record, *c.message_id, 'b') : "";
    t.sender_name = text(c.sender_name);
    t.S4031 = text(c.S4031);
    t.N67bd = text(c.N67bd);
    t.N67b9 = text(c.N67b9);
    t.N67ba = text(c.N67ba);
    t.message_class = text(c.message_class);
    t.text_body = text(c.text_body);
    t.subject_prefix = text(c.subject_prefix);
    t.subject = text(c.subject);
    t.has_attachments = text(c.has_attachments);
    t.Le23 = text(c.Le23);
    // Later dates of the chain are rendered only when needed (local-time conversion is
    // the dearest part of a row).
    t.submit_time = date(c.submit_time);
    if (!is_usable_date_text(t.submit_time)) t.delivery_time = date(c.delivery_time);
    if (!is_usable_date_text(t.submit_time) && !is_usable_date_text(t.delivery_time)) t.creation_time = date(c.creation_time);
    // The export dates the message by the column the list shows.
    const std::pair<const std::string*, ColumnIndex> chain[] = {{&t.submit_time, c.submit_time}, {&t.delivery_time, c.delivery_time}, {&t.creation_time, c.creation_time}};
    for (const auto& [shown, column] : chain)
      if (is_usable_date_text(*shown)) {
        t.stored_time = stored_filetime(record, column);
        break;
      }
    return t;
  }

  // The message's index entry, with the lookup filled, when the index knows it.
  const scan::MsgTable* find(const std::string& message_id, MessageLookup& lookup) const {
    const scan::MsgTable* entry = session_.index.find_message(message_id);
    if (!entry) return nullptr;
    lookup.record_number = entry->recordNumber;
    lookup.attachment_ids = entry->attachmentIds;
    return entry;
  }

  // The message's texts, read from its record.
  MessageTexts message(const scan::MsgTable& entry) {
    if (!session_.message_table) return {};
    auto record = scan::read_partial_record(*session_.message_table, entry.recordNumber, msg_wanted_);
    if (!record) return {};
    return message_texts(ctx_, *record, msg_columns_);
  }

  bool has_message_table() const { return session_.message_table.has_value(); }

  const std::vector<std::string>& owner_names() const { return owner_names_; }

 private:
  const scan::ScanSession& session_;
  decode::DecodeContext ctx_;
  std::vector<std::string> owner_names_;
  MessageColumns msg_columns_;
  scan::WantedColumns msg_wanted_;
};

}  // namespace

MessageColumns message_columns(const ese::Table& message_table) {
  scan::MsgColumns msg = scan::map_msg_columns(message_table);
  return {msg.m[scan::columns::transport_headers], msg.m[scan::columns::display_to],
          msg.m[scan::columns::sender_fallback]};
}

MessageTexts message_texts(const decode::DecodeContext& ctx, const ese::Record& record, const MessageColumns& columns,
                           std::optional<std::string>* whole_headers) {
  MessageTexts texts;
  texts.transport_headers = transport_header_text(ctx, record, columns.transport_headers, whole_headers);
  if (columns.display_to) texts.display_to = decode::render_value(ctx, &record, *columns.display_to);
  if (columns.sender_fallback) texts.sender_fallback = decode::render_value(ctx, &record, *columns.sender_fallback);
  return texts;
}

void fill_recipients(const decode::DecodeContext& ctx, const ese::Record& record, const MessageColumns& columns,
                     MessageListRow& row, std::optional<std::string>* whole_headers) {
  TransportFields transport = recipients_of(message_texts(ctx, record, columns, whole_headers));
  row.to = std::move(transport.xTo);
  row.cc = std::move(transport.xCC);
  row.bcc = std::move(transport.xBcc);
  row.recipients_unread = false;
}

ContentsPass read_contents_rows(const scan::ScanSession& session, const decode::DecodeContext& ctx,
                                const scan::Folder2007& folder, scan::ScanObserver& observer,
                                const ese::PassControl& control, RowKeeper& keeper, bool recipients_later) {
  ContentsPass pass;
  std::optional<ese::Table> table;
  try {
    table = open_contents_table(session, folder);
  } catch (const ese::EseError& error) {
    pass.warnings.push_back("the contents table of folder \"" + folder.folderName +
                            "\" cannot be read: " + error.what());
    return pass;
  }
  if (!table) return pass;
  const ContentsColumns columns = map_contents_columns(*table);
  ContentsRowSource source(session, ctx);
  keeper.expect(table->record_count());
  RowOrder order;
  pass.records_skipped = for_each_contents_record(
      *table, columns, observer, control, [&](const ese::Record& record, uint64_t) {
        ContentsTexts texts = source.texts(record, columns);
        MessageLookup lookup;
        const scan::MsgTable* entry = source.find(texts.message_id, lookup);
        const bool later = recipients_later && entry && source.has_message_table() && !row_needs_message(texts);
        std::optional<MessageTexts> message;
        if (entry && !later) message = source.message(*entry);
        auto row = build_contents_row(texts, lookup, message ? &*message : nullptr, source.owner_names());
        if (!row) return;
        row->row.recipients_unread = later;
        order.insert_at(row->position);
        keeper.keep(std::move(row->row), std::move(texts.text_body));
      });
  pass.display_order = order.display_order();
  pass.records_held = table->record_count();
  pass.damaged_pages = table->damaged_pages();
  return pass;
}

FolderListing list_contents_folder(const scan::ScanSession& session, const decode::DecodeContext& ctx,
                                   const scan::Folder2007& folder, scan::ScanObserver& observer,
                                   const ese::PassControl& control, bool recipients_later) {
  struct Keeper : RowKeeper {
    std::vector<MessageListRow> rows;
    std::vector<std::pair<std::string, std::string>> bodies;
    void expect(size_t records) override { rows.reserve(records); }
    void keep(MessageListRow&& row, std::string&& body) override {
      if (!body.empty()) bodies.emplace_back(row.message_id, std::move(body));
      rows.push_back(std::move(row));
    }
  } keeper;
  ContentsPass pass = read_contents_rows(session, ctx, folder, observer, control, keeper, recipients_later);
  FolderListing folder_listing;
  std::vector<MessageListRow>& built = keeper.rows;
  folder_listing.body_texts = std::move(keeper.bodies);
  folder_listing.records_skipped = pass.records_skipped;
  folder_listing.records_held = pass.records_held;
  folder_listing.damaged_pages = pass.damaged_pages;
  folder_listing.warnings = std::move(pass.warnings);
  // Rows are put in display order in place: a second vector of a few hundred thousand rows
  // would double the listing's peak memory.
  std::vector<size_t>& from = pass.display_order;
  for (size_t start = 0; start < from.size(); ++start) {
    if (from[start] == start) continue;
    MessageListRow held = std::move(built[start]);
    size_t at = start;
    while (from[at] != start) {
      const size_t next = from[at];
      built[at] = std::move(built[next]);
      from[at] = at;
      at = next;
    }
    built[at] = std::move(held);
    from[at] = at;
  }
  folder_listing.rows = std::move(built);
  return folder_listing;
}

}  // namespace quorvine::listing
