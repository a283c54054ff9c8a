#include "listing/header_list_loader.hpp"

#include "listing/stored_time.hpp"

#include <algorithm>
#include <iterator>
#include <optional>

#include "decode/identifiers.hpp"
#include "decode/printable_filters.hpp"
#include "decode/value_renderers.hpp"
#include "listing/header_list_entry.hpp"
#include "scan/partial_record.hpp"
#include "scan/record_pass.hpp"
#include "scan/columns.hpp"

namespace quorvine::listing {
namespace {

constexpr const char* kLoadingHeaders = "Please wait... Loading Mailbox Header Informations";
constexpr const char* kLoadingBodies = "Please wait... Loading Mailbox Body Informations";

// Column indexes of one table by name; a column the table lacks stays unset and reads as
// empty text, never as some other column.
struct ColumnLookup {
  const ese::Table& table;
  scan::WantedColumns& wanted;
  std::optional<size_t> operator()(std::string_view name) const {
    auto index = table.column_index(name);
    wanted.add(index);
    return index;
  }
};

}  // namespace

std::optional<ese::Table> HeaderListLoader::open_named_table(const std::string& name) {
  if (!session_.database || name.empty()) return std::nullopt;
  auto index = session_.database->find_table(name);
  if (!index) return std::nullopt;
  try {
    return session_.database->open_table(*index);
  } catch (const ese::EseError& error) {
    warnings_.push_back("table \"" + name + "\" cannot be read: " + error.what());
    return std::nullopt;
  }
}

HeaderListLoader::HeaderListLoader(scan::ScanSession& session, const decode::DecodeContext& ctx, scan::ScanObserver& observer,
                                   const ese::PassControl& control)
    : session_(session), ctx_(ctx), observer_(observer), control_(control) {}

bool HeaderListLoader::marked(const std::vector<scan::LoadedTable>& marks, const std::string& key) {
  return std::any_of(marks.begin(), marks.end(), [&](const scan::LoadedTable& m) { return m.key == key; });
}

std::vector<MessageListRow> HeaderListLoader::list_folder(const scan::Folder2010& folder) {
  std::vector<MessageListRow> rows;
  for_each_row(folder, [&](const MessageListRow& row) { rows.push_back(row); });
  return rows;
}

size_t HeaderListLoader::for_each_row(const scan::Folder2010& folder,
                                      const std::function<void(const MessageListRow&)>& visit) {
  const HeaderFolderRef ref{folder.folderId, folder.mailboxName, folder.folderTable, folder.folderName};
  const std::string header_table = header_table_name(ref, session_.settings.generation, session_.is_public());
  // Marked by the header table rather than by the mailbox's display name: two mailboxes
  // that share a display name must each get their own messages read.
  if (!headers_loaded(header_table)) {
    observer_.status(kLoadingHeaders);
    // Read without the lock, so readers of other mailboxes are not held up meanwhile.
    keep_headers(header_table, load_header_table(header_table));
    observer_.status("");
  }
  return session_.lists2010.read([&](const scan::MessageLists2010& l) {
    return for_each_header_row(l.headers, ref, session_.settings.generation, visit);
  });
}

bool HeaderListLoader::headers_loaded(const std::string& header_table) const {
  return session_.lists2010.read([&](const scan::MessageLists2010& l) { return marked(l.header_tables_read, header_table); });
}

bool HeaderListLoader::bodies_loaded(const std::string& body_table) const {
  return session_.lists2010.read([&](const scan::MessageLists2010& l) { return marked(l.body_tables_read, body_table); });
}

void HeaderListLoader::keep_headers(const std::string& header_table, std::vector<scan::HeaderEntry2010> headers) {
  auto& lists = session_.lists2010;
  std::lock_guard lock(lists.mutex);
  if (marked(lists.header_tables_read, header_table)) return;
  // Moved whole or into room made once: growing the list entry by entry would hold a big
  // mailbox's headers up to three times over while the list reallocates.
  auto& dump = lists.headers;
  if (dump.empty()) {
    dump = std::move(headers);
  } else {
    dump.reserve(dump.size() + headers.size());
    std::move(headers.begin(), headers.end(), std::back_inserter(dump));
  }
  lists.header_tables_read.push_back({header_table});
}

void HeaderListLoader::keep_bodies(const std::string& body_table, BodyLists loaded) {
  auto& lists = session_.lists2010;
  std::lock_guard lock(lists.mutex);
  if (marked(lists.body_tables_read, body_table)) return;
  for (auto& body : loaded.bodies) lists.cached_bodies.push_back(std::move(body));
  for (auto& attachment : loaded.attachments) lists.cached_attachments.push_back(std::move(attachment));
  lists.body_tables_read.push_back({body_table});
}

void HeaderListLoader::ensure_bodies_loaded(const scan::Folder2010& folder) {
  if (session_.settings.generation != decode::Generation::V2010) return;
  const HeaderFolderRef ref{folder.folderId, folder.mailboxName, folder.folderTable, folder.folderName};
  // Marked by table, like the header list, so mailboxes sharing a display name stay apart.
  const std::string body_table = body_table_name(ref, session_.settings.generation, session_.is_public());
  if (bodies_loaded(body_table)) return;
  observer_.status(kLoadingBodies);
  keep_bodies(body_table, load_body_table(body_table));
  observer_.status("");
}

// Notes in the session's lists what one table's reading passed over, when it ends (however).
class HeaderListLoader::DamageNote {
 public:
  DamageNote(HeaderListLoader& loader, const std::string& table)
      : loader_(loader), table_(table), skipped_(loader.skipped_), warned_(loader.warnings_.size()) {}
  ~DamageNote() {
    scan::TableDamage damage;
    damage.records_skipped = loader_.skipped_ - skipped_;
    damage.unreadable.assign(loader_.warnings_.begin() + static_cast<std::ptrdiff_t>(warned_), loader_.warnings_.end());
    if (damage.records_skipped == 0 && damage.unreadable.empty()) return;
    auto& lists = loader_.session_.lists2010;
    std::lock_guard lock(lists.mutex);
    lists.damage[table_] = std::move(damage);
  }

 private:
  HeaderListLoader& loader_;
  std::string table_;
  uint64_t skipped_;
  size_t warned_;
};

std::vector<scan::HeaderEntry2010> HeaderListLoader::load_header_table(const std::string& table_name) {
  DamageNote note(*this, table_name);
  std::vector<scan::HeaderEntry2010> headers;
  auto table = open_named_table(table_name);
  if (!table) return headers;
  headers.reserve(table->record_count());
  const bool is2013 = session_.settings.generation == decode::Generation::V2013;
  const KindTable kinds = is2013 ? KindTable::Header2013 : KindTable::Header2010;

  scan::WantedColumns wanted;
  ColumnLookup column{*table, wanted};
  std::optional<size_t> id, folder, cls, from, subject, prefix, topic, flag, date1, date2, date3;
  if (is2013) {
    id = column("MessageDocumentId");
    folder = column("FolderId");
    cls = column("MessageClass");
    from = column("RecipientList");
    subject = column("DisplayTo");
    prefix = column("SubobjectsBlob");
    flag = column("HasAttachments");
    date1 = column("DateReceived");
    date2 = column("DateSent");
  } else {
    folder = column(scan::columns::folder_id);
    id = column(scan::columns::message_id);
    column("Se04");
    subject = column(scan::columns::subject);
    prefix = column(scan::columns::subject_prefix);
    topic = column(scan::columns::topic);
    cls = column(scan::columns::message_class);
    flag = column(scan::columns::has_attachments);
    const auto& times = scan::columns::message_times_2010;
    date1 = column(times[0]);
    date2 = column(times[1]);
    date3 = column(times[2]);
    from = column(scan::columns::sender_name);
  }
  wanted.recompute();

  const bool is_public = session_.is_public();
  for_each_record(*table, wanted, [&](const ese::Record& record, uint64_t) {
    const ese::Record* rec = &record;
    auto text = [&](const std::optional<size_t>& c) -> std::string {
      if (!c) return {};
      return is2013 ? decode::render_value_2013(rec, *c)
                    : decode::render_value(ctx_, rec, *c);
    };
    auto date = [&](const std::optional<size_t>& c) -> std::string {
      if (!c) return {};
      if (is2013) return text(c);
      return decode::stored_filetime_text(rec, *c, 'l').value_or("");
    };

    HeaderFields fields;
    if (is2013) {
      fields.message_id = text(id);
      fields.folder_id = text(folder);
    } else {
      fields.message_id = id ? decode::identifier_text(rec, *id, 'b') : "";
      if (folder)
        fields.folder_id = is_public ? decode::replica_identifier_text(ctx_, rec, *folder, 'b')
                                     : decode::identifier_text(rec, *folder, 'b');
      fields.topic = text(topic);
    }
    fields.message_class = text(cls);
    fields.from = text(from);
    fields.subject = text(subject);
    fields.prefix = text(prefix);
    fields.attachment_flag = text(flag);
    // Later dates of the chain are rendered only when needed: each rendering converts to
    // local time, which costs more than reading the record.
    fields.dates[0] = date(date1);
    if (!is_usable_date_text(fields.dates[0])) fields.dates[1] = date(date2);
    if (!is_usable_date_text(fields.dates[0]) && !is_usable_date_text(fields.dates[1])) fields.dates[2] = date(date3);
    if (auto entry = make_header_entry(table_name, fields, kinds)) {
      // Read here with the rest, so that an export walks the table once.
      if (!is2013) entry->storedTime = first_stored_time(record, {date1, date2, date3});
      headers.push_back(std::move(*entry));
    }
  });
  return headers;
}

namespace {

std::string attachment_id_text(const ese::Record* rec, const std::optional<size_t>& column) {
  if (!rec || !column) return {};
  try {
    const auto bytes = rec->bytes(*column);
    return bytes ? decode::hex_bytes(*bytes) : std::string();
  } catch (const ese::EseError&) {
    return {};  // a damaged list: the message shows without attachments
  }
}

}  // namespace

HeaderListLoader::BodyLists HeaderListLoader::load_body_table(const std::string& table_name) {
  DamageNote note(*this, table_name);
  BodyLists lists;
  auto table = open_named_table(table_name);
  if (!table) return lists;
  scan::WantedColumns wanted;
  ColumnLookup column{*table, wanted};
  column(scan::columns::message_id);
  const auto kind = column("L3705");
  const auto s3707 = column(scan::columns::attachment_long_name);
  const auto s3001 = column(scan::columns::attachment_name);
  const auto ids = column(scan::columns::attachment_ids);
  const auto key = column(scan::columns::body_key);
  const auto data = table->column_index(scan::columns::attachment_data);
  wanted.recompute();

  for_each_record(*table, wanted, [&](const ese::Record& record, uint64_t r) {
    const ese::Record* rec = &record;
    auto text = [&](const std::optional<size_t>& c) -> std::string {
      return c ? decode::render_value_as_hex(rec, *c) : std::string();
    };
    BodyFields fields;
    fields.key = key ? decode::identifier_text(rec, *key, 'b') : "";
    fields.l3705 = text(kind);
    if (fields.l3705 == "0") {
      // The hex of the identifiers as stored: the binary renderer would pass a compressed
      // value through the printable filter, and the attachments could not be found.
      fields.attachment_ids = attachment_id_text(rec, ids);
    } else {
      fields.attachment_name = text(s3001);
      fields.attachment_long_name = text(s3707);
    }
    if (auto body = make_body_entry(fields)) {
      body->recordNumber = r;
      body->tableName = table_name;
      body->tableIndex = table->index();
      lists.bodies.push_back(std::move(*body));
    } else if (auto attachment = make_attachment_entry(fields)) {
      attachment->recordNumber = r;
      attachment->tableName = table_name;
      attachment->tableIndex = table->index();
      attachment->dataColumn = data;
      lists.attachments.push_back(std::move(*attachment));
    }
  });
  return lists;
}

void HeaderListLoader::for_each_record(const ese::Table& table, const scan::WantedColumns& wanted,
                                       const std::function<void(const ese::Record&, uint64_t)>& handle) {
  skipped_ += scan::run_record_pass(table, wanted, observer_, scan::ProgressRule::RecordCount, control_, handle).skipped;
}

}  // namespace quorvine::listing
