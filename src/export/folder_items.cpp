#include "export/folder_items.hpp"

#include "export/item_readers.hpp"
#include "export/staged_file.hpp"
#include "export/vcard_writer.hpp"
#include "listing/message_listing.hpp"
#include "render/body_readers.hpp"

namespace quorvine::exporting {
namespace {

constexpr uint32_t kMessageRead = 0x1;

// The item's body as text; an HTML body as stored.
std::string body_text(const scan::ScanSession& session, const render::ItemRecord& item, const std::filesystem::path& work,
                      const std::string& cached_body) {
  if (!item.record) return cached_body;
  render::BodyOptions options;
  options.in_memory = true;
  render::BodySelection selection =
      render::select_body(session.settings.generation, *item.record, render::body_columns(*item.table), work, options);
  if (selection.body.kind == render::BodyKind::None) return cached_body;
  std::string text = std::move(selection.body.bytes);
  if (text.starts_with("\xEF\xBB\xBF")) text.erase(0, 3);
  std::erase(text, '\0');
  return text;
}

}  // namespace

ItemRecordReader::ItemRecordReader(const scan::ScanSession& session, const Lookups2010* lookups)
    : session_(session), lookups_(lookups) {}

std::optional<std::pair<const ese::Table*, uint64_t>> ItemRecordReader::locate(const listing::MessageListRow& row,
                                                                                const std::string& body_table) {
  if (session_.settings.generation == decode::Generation::V2007) {
    const scan::MsgTable* entry = session_.index.find_message(row.message_id);
    if (!entry || !session_.message_table) return std::nullopt;
    return std::pair{&*session_.message_table, static_cast<uint64_t>(entry->recordNumber)};
  }
  if (!lookups_ || !lookups_->lists || !session_.database) return std::nullopt;
  const auto found = lookups_->body_entry(body_table, row.message_id);
  if (!found) return std::nullopt;
  const scan::BodyEntry2010& entry = lookups_->lists->cached_bodies[*found];
  auto it = tables_.find(entry.tableIndex);
  if (it == tables_.end()) it = tables_.emplace(entry.tableIndex, session_.database->open_table(entry.tableIndex)).first;
  return std::pair{&it->second, static_cast<uint64_t>(entry.recordNumber)};
}

render::ItemRecord ItemRecordReader::read(const listing::MessageListRow& row, const std::string& body_table) {
  render::ItemRecord item;
  const auto where = locate(row, body_table);
  if (!where) return item;
  item.table = where->first;
  item.record = item.table->read_record(where->second);
  return item;
}

bool ItemRecordReader::read_flag(const listing::MessageListRow& row, const std::string& body_table) {
  const auto where = locate(row, body_table);
  if (!where) return false;
  const auto column = where->first->column_index("L0e07");
  if (!column) return false;
  const size_t wanted[] = {*column};
  const auto bytes = where->first->read_record(where->second, wanted).bytes(*column);
  if (!bytes || bytes->size() != 4) return false;
  const uint32_t flags = (*bytes)[0] | ((*bytes)[1] << 8) | ((*bytes)[2] << 16) | (static_cast<uint32_t>((*bytes)[3]) << 24);
  return (flags & kMessageRead) != 0;
}

FolderItems::FolderItems(const scan::ScanSession& session, const Lookups2010* lookups, std::filesystem::path work,
                         std::filesystem::path mbox_path)
    : session_(session), records_(session, lookups), work_(std::move(work)), mbox_(std::move(mbox_path)),
      ctx_(listing::decode_context_for(session)), listing_ctx_(ctx_) {
  ctx_.temp_folder = work_;
  ctx_.spilled_column = -1;  // nothing is spilled: texts are read whole
  listing_ctx_.spilled_column = -1;
}

std::filesystem::path FolderItems::cards_path() const { return mbox_.parent_path() / (mbox_.filename().string() + ".vcf"); }
std::filesystem::path FolderItems::calendar_path() const {
  return mbox_.parent_path() / (mbox_.filename().string() + ".ics");
}

void FolderItems::add(const listing::MessageListRow& listed_row, const std::string& body_table,
                      std::optional<uint64_t> stored_time, const std::string& cached_body, ExportSummary& summary) {
  const render::ItemRecord item = records_.read(listed_row, body_table);
  // The recipients the list left unread, from the record read here whole.
  std::optional<listing::MessageListRow> completed;
  if (listed_row.recipients_unread && item.record) {
    completed = listed_row;
    if (!listed_columns_) listed_columns_ = listing::message_columns(*item.table);
    listing::fill_recipients(listing_ctx_, *item.record, *listed_columns_, *completed);
  }
  const listing::MessageListRow& row = completed ? *completed : listed_row;
  ItemInput in{row, item, session_.settings.generation, stored_time, {}};
  if (row.kind == "distlist") {
    cards_ += vcard(read_distribution_list(ctx_, in));
    ++summary.items_written["distribution lists"];
    return;
  }
  in.body = body_text(session_, item, work_, cached_body);
  if (row.kind == "contact") {
    cards_ += vcard(read_contact(ctx_, in));
    ++summary.items_written["contacts"];
    return;
  }
  const CalendarItem entry = read_calendar_item(ctx_, in);
  calendar_.add(entry);
  ++summary.items_written[entry.kind == CalendarKind::Event  ? "appointments"
                          : entry.kind == CalendarKind::Todo ? "tasks"
                                                             : "notes and journal entries"];
  if (entry.recurring) ++summary.recurring_items;
}

void FolderItems::commit() {
  if (!cards_.empty()) write_file_atomically(cards_path(), cards_);
  if (calendar_.size() > 0) write_file_atomically(calendar_path(), calendar_.text());
}

}  // namespace quorvine::exporting
