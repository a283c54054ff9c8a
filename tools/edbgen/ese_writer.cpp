#include "edbgen/ese_writer.hpp"

#include <algorithm>
#include <array>
#include <ctime>
#include <deque>
#include <random>
#include <stdexcept>
#include <system_error>

#include "edbgen/ese_bytes.hpp"
#include "edbgen/ese_catalog.hpp"
#include "edbgen/ese_checksum.hpp"
#include "edbgen/ese_long_value.hpp"
#include "edbgen/ese_page_file.hpp"
#include "edbgen/ese_record.hpp"
#include "edbgen/ese_tree.hpp"

namespace edbgen {

using namespace ese;

namespace {

// Pages 1 to 32 hold the database root, both catalogs and their space trees, as in files
// the engine creates; table trees start after them.
constexpr uint32_t kFirstFreePage = 33;
constexpr uint32_t kFirstUserObjid = 4;
// Long values up to this size stay in the record when the record has room.
constexpr size_t kInlineLongValueMax = 1024;

Compression compression_of(Storage s, bool compressed_column) {
  switch (s) {
    case Storage::Compressed7Bit: return Compression::SevenBit;
    case Storage::CompressedXpress: return Compression::Xpress;
    case Storage::Auto: return compressed_column ? Compression::Auto : Compression::None;
    default: return Compression::None;
  }
}

std::string describe(const TableDef& t, const ColumnDef& c) {
  return "column " + std::to_string(c.id) + " (" + c.name + ") of table " + t.name;
}

}  // namespace

class TableState final : public TableWriter {
 public:
  TableState(PageFile& file, const PageLayout& layout, TableDef def, uint32_t objid)
      : file_(file),
        layout_(layout),
        def_(std::move(def)),
        columns_(ColumnLayout::build(def_.name, def_.columns)),
        objid_(objid),
        tree_(file, layout, objid, file.allocate(), 0, RootHeader{1, 1, 0, 0}),
        record_(columns_, layout.page_size >= 16384) {}

  void add_record(const std::vector<Cell>& cells) override;
  uint64_t record_count() const override { return count_; }

  const TableDef& def() const { return def_; }
  const ColumnLayout& columns() const { return columns_; }
  uint32_t objid() const { return objid_; }
  uint32_t root_page() const { return tree_.root_page(); }
  const LongValueWriter* long_values() const { return lv_ ? &*lv_ : nullptr; }

  void finish() {
    tree_.finish();
    if (lv_) lv_->finish();
  }

 private:
  // A tagged value ready for the record: flag byte and stored bytes.
  struct Prepared {
    uint32_t id = 0;
    uint8_t flags = 0;
    Bytes data;
  };

  void prepare_tagged(const Cell& cell, const ColumnDef& col, bool separate_auto, Prepared& out);
  uint32_t store_long(std::span<const uint8_t> value, Compression c, TextWidth width);
  void write_pending_long_values();

  struct PendingLongValue {
    std::span<const uint8_t> value;
    Compression compression;
    TextWidth width;
  };
  bool encode(const std::vector<Cell>& cells, bool separate_auto);

  PageFile& file_;
  PageLayout layout_;
  TableDef def_;
  ColumnLayout columns_;
  uint32_t objid_;
  TreeBuilder tree_;
  std::optional<LongValueWriter> lv_;
  std::vector<PendingLongValue> pending_;
  uint32_t next_lv_id_ = 1;
  RecordBuilder record_;
  std::vector<Prepared> prepared_;
  Bytes key_;
  uint64_t count_ = 0;
};

uint32_t TableState::store_long(std::span<const uint8_t> value, Compression c, TextWidth width) {
  // Written once the record is known to fit, so a retried record leaves no orphans.
  pending_.push_back({value, c, width});
  return next_lv_id_ + uint32_t(pending_.size() - 1);
}

void TableState::write_pending_long_values() {
  if (pending_.empty()) return;
  if (!lv_) lv_.emplace(file_, layout_, objid_ + 1, tree_.root_page());
  for (const PendingLongValue& p : pending_) lv_->store(next_lv_id_++, p.value, p.compression, p.width);
  pending_.clear();
}

void TableState::prepare_tagged(const Cell& cell, const ColumnDef& col, bool separate_auto,
                                Prepared& out) {
  const bool long_type = is_long_type(col.type);
  const bool compressed_column = col.flags & quorvine::ese::column_flags::compressed;
  const TextWidth width = col.codepage == 1200 ? TextWidth::Utf16 : TextWidth::Bytes;
  const Compression compression = compression_of(cell.storage, compressed_column);
  const bool forced = cell.storage == Storage::Compressed7Bit || cell.storage == Storage::CompressedXpress;
  out.id = col.id;
  out.flags = long_type ? quorvine::ese::value_flags::variable_size : 0;
  out.data.clear();
  if (cell.storage == Storage::LongValue && !long_type)
    throw std::invalid_argument("The " + describe(def_, col) +
                                " is not a long type and cannot hold a separated value.");
  // Whether a value of `stored` bytes goes to the long-value tree.
  auto separate_value = [&](size_t stored) {
    if (!long_type || cell.storage == Storage::Inline) return false;
    return cell.storage == Storage::LongValue || stored > kInlineLongValueMax ||
           (separate_auto && cell.storage == Storage::Auto && stored > 16);
  };

  if (cell.elements.size() == 1) {
    const Bytes& v = cell.elements[0];
    if (v.empty() && forced)
      throw std::invalid_argument("An empty value in " + describe(def_, col) + " cannot be compressed.");
    std::optional<Bytes> packed;
    if (cell.storage != Storage::LongValue) {
      packed = compress_value(v, compression, width, Placement::Record);
      const bool xpress_separately = long_type && cell.storage == Storage::CompressedXpress &&
                                     v.size() > kXpressMaxInput;  // its segments take Xpress
      if (forced && !packed && !xpress_separately)
        throw std::invalid_argument("The value in " + describe(def_, col) +
                                    (cell.storage == Storage::Compressed7Bit
                                         ? " is not 7-bit text and cannot be 7-bit compressed."
                                         : " is too large for Xpress compression in a record."));
    }
    const size_t stored = packed ? packed->size() : v.size();
    if ((forced && !packed) || separate_value(stored)) {
      uint32_t id = store_long(v, compression, width);
      out.flags |= quorvine::ese::value_flags::long_value;
      append_le32(out.data, id);
    } else if (packed) {
      out.flags |= quorvine::ese::value_flags::compressed;
      out.data = std::move(*packed);
    } else {
      out.data = v;
    }
    return;
  }

  // Multi-value: offsets to each element, bit 15 marking a long-value reference.
  out.flags |= quorvine::ese::value_flags::multi_value;
  const size_t n = cell.elements.size();
  std::vector<Bytes> items(n);
  std::vector<bool> is_ref(n, false);
  for (size_t i = 0; i < n; ++i) {
    const Bytes& v = cell.elements[i];
    if (separate_value(v.size())) {
      append_le32(items[i], store_long(v, compression, width));
      is_ref[i] = true;
    } else if (i == 0 && forced) {
      // The engine compresses only the first element of a multi-value.
      std::optional<Bytes> packed = compress_value(v, compression, width, Placement::Record);
      if (!packed)
        throw std::invalid_argument("The first value in " + describe(def_, col) +
                                    " cannot be compressed as asked.");
      items[i] = std::move(*packed);
      out.flags |= quorvine::ese::value_flags::compressed;
    } else {
      items[i] = v;
    }
  }
  size_t offset = 2 * n;
  out.data.resize(2 * n);
  for (size_t i = 0; i < n; ++i) {
    if (offset > 0x7FFF)
      throw std::length_error("The multi-value in " + describe(def_, col) + " is too large for a record.");
    store_le16(&out.data[2 * i], uint16_t(offset | (is_ref[i] ? 0x8000 : 0)));
    append(out.data, items[i]);
    offset += items[i].size();
  }
}

bool TableState::encode(const std::vector<Cell>& cells, bool separate_auto) {
  record_.clear();
  pending_.clear();
  prepared_.resize(cells.size());
  size_t tagged = 0;
  for (const Cell& cell : cells) {
    auto it = columns_.by_id.find(cell.column_id);
    if (it == columns_.by_id.end())
      throw std::invalid_argument("Table " + def_.name + " has no column " +
                                  std::to_string(cell.column_id) + ".");
    const ColumnDef& col = *it->second;
    if (cell.elements.empty()) continue;
    const bool multi = cell.elements.size() > 1;
    if (col.id < 256) {
      if (multi)
        throw std::invalid_argument("The " + describe(def_, col) +
                                    " is not tagged and cannot hold several values.");
      if (cell.storage != Storage::Auto && cell.storage != Storage::Inline)
        throw std::invalid_argument("The " + describe(def_, col) +
                                    " is not tagged; its values are stored inline only.");
      const Bytes& v = cell.elements[0];
      if (col.id < 128) {
        const uint32_t size = columns_.fixed_sizes[col.id - 1];
        const uint32_t type_size = fixed_type_size(col.type);
        if (v.size() > size || (type_size != 0 && v.size() != type_size))
          throw std::invalid_argument("A value of " + std::to_string(v.size()) + " bytes does not fit " +
                                      describe(def_, col) + ", which takes " + std::to_string(size) + ".");
        record_.set_fixed(col.id, v);
      } else {
        record_.set_variable(col.id, v);
      }
      continue;
    }
    if (multi && !(col.flags & quorvine::ese::column_flags::multi_valued))
      throw std::invalid_argument("The " + describe(def_, col) + " is not multi-valued.");
    Prepared& p = prepared_[tagged++];
    prepare_tagged(cell, col, separate_auto, p);
    record_.add_tagged(p.id, p.flags, p.data);
  }
  key_.clear();
  append_be32(key_, uint32_t(count_ + 1));
  const Bytes& rec = record_.build();
  return 2 + key_.size() + rec.size() <= tree_.max_entry_payload();
}

void TableState::add_record(const std::vector<Cell>& cells) {
  if (count_ >= 0xFFFFFFFFull) throw std::length_error("Table " + def_.name + " is full.");
  // Long values that would fit inline are separated when the record outgrows its page.
  if (!encode(cells, false) && !encode(cells, true)) {
    pending_.clear();
    throw std::length_error("Record " + std::to_string(count_ + 1) + " of table " + def_.name +
                            " does not fit on a " + std::to_string(layout_.page_size) + "-byte page.");
  }
  write_pending_long_values();
  tree_.add(key_, record_.build());
  ++count_;
}

struct DatabaseWriter::Impl {
  std::filesystem::path out;
  std::filesystem::path temp;
  WriterOptions options;
  PageLayout layout;
  std::unique_ptr<PageFile> file;
  std::deque<TableState> tables;
  uint32_t next_objid = kFirstUserObjid;
  bool finished = false;

  void write_fixed_pages();
  void write_catalogs();
  void write_header();
  void write_space_tree(uint32_t page, uint32_t objid, uint32_t last_page, uint32_t pages);
};

DatabaseWriter::DatabaseWriter(const std::filesystem::path& out, const WriterOptions& options)
    : impl_(std::make_unique<Impl>()) {
  const uint32_t ps = options.page_size;
  if (ps != 4096 && ps != 8192 && ps != 16384 && ps != 32768)
    throw std::invalid_argument("Page size " + std::to_string(ps) +
                                " is not one of 4096, 8192, 16384 and 32768.");
  if (options.format_version != 0x620)
    throw std::invalid_argument("Only format version 0x620 can be written.");
  if (ps >= 16384 && options.format_revision < 0x11)
    throw std::invalid_argument("Pages of 16 and 32 KiB need format revision 0x11 or later.");
  impl_->out = out;
  impl_->temp = out;
  impl_->temp += ".partial";
  impl_->options = options;
  impl_->layout.page_size = ps;
  impl_->layout.extended_header = ps >= 16384;
  impl_->layout.base_flags = page_flags::new_record_format | page_flags::new_checksum |
                             (options.format_revision >= 0x14 ? page_flags::flush_type : 0);
  impl_->file = std::make_unique<PageFile>(impl_->temp, ps, kFirstFreePage);
}

DatabaseWriter::~DatabaseWriter() {
  if (impl_ && !impl_->finished) {
    impl_->tables.clear();
    impl_->file.reset();
    std::error_code ec;
    std::filesystem::remove(impl_->temp, ec);
  }
}

TableWriter& DatabaseWriter::add_table(const TableDef& table) {
  if (impl_->finished) throw std::logic_error("The database is already finished.");
  if (table.name.empty()) throw std::invalid_argument("A table needs a name.");
  for (const TableState& t : impl_->tables)
    if (t.def().name == table.name)
      throw std::invalid_argument("Table " + table.name + " is defined twice.");
  if (table.name == "MSysObjects" || table.name == "MSysObjectsShadow")
    throw std::invalid_argument("Table name " + table.name + " is reserved for the catalog.");
  TableState& added = impl_->tables.emplace_back(*impl_->file, impl_->layout, table, impl_->next_objid);
  // Each table keeps the next objid for its long-value tree.
  impl_->next_objid += 2;
  return added;
}

void DatabaseWriter::Impl::write_space_tree(uint32_t page, uint32_t objid, uint32_t last_page,
                                            uint32_t pages) {
  PageBuilder b(layout);
  if (pages > 0) {
    Bytes entry;
    append_le16(entry, 4);
    append_be32(entry, last_page);
    append_le32(entry, pages);
    b.add(entry);
  }
  PageBuilder::Seal s;
  s.page_number = page;
  s.objid = objid;
  s.flags = page_flags::root | page_flags::leaf | page_flags::space_tree;
  s.dbtime = file->next_dbtime();
  const std::array<uint8_t, 16> zero{};
  file->write_page(page, b.seal(s, zero));
}

void DatabaseWriter::Impl::write_fixed_pages() {
  const uint32_t total = file->pages_allocated();
  // Database root: an empty tree owning the whole file.
  PageBuilder b(layout);
  PageBuilder::Seal s;
  s.page_number = 1;
  s.objid = 1;
  s.flags = page_flags::root | page_flags::leaf;
  s.dbtime = file->next_dbtime();
  file->write_page(1, b.seal(s, root_header_bytes({total, 0, 1, 2})));
  write_space_tree(2, 1, total, total);
  write_space_tree(3, 1, 0, 0);
  write_space_tree(5, kCatalogObjid, 23, 20);
  write_space_tree(6, kCatalogObjid, 0, 0);
  write_space_tree(25, kShadowCatalogObjid, 28, 5);
  write_space_tree(26, kShadowCatalogObjid, 0, 0);
}

void DatabaseWriter::Impl::write_catalogs() {
  const uint32_t rev = options.format_revision;
  std::vector<CatalogEntry> entries;
  const std::vector<ColumnDef> sys_columns = catalog_columns(rev);
  const ColumnLayout sys_layout = ColumnLayout::build("MSysObjects", sys_columns);
  auto add_columns = [&](uint32_t objid, const std::vector<ColumnDef>& cols, const ColumnLayout& l) {
    for (const ColumnDef& c : cols) {
      CatalogEntry e;
      e.objid_table = objid;
      e.type = catalog_type::column;
      e.id = c.id;
      e.coltyp_or_pgno = uint32_t(c.type);
      e.space_usage = c.id < 128 ? l.fixed_sizes[c.id - 1] : c.max_size;
      e.flags = c.flags;
      e.pages_or_locale = c.codepage;
      if (c.id < 128) {
        e.has_record_offset = true;
        e.record_offset = l.fixed_offsets[c.id - 1];
      }
      e.name = c.name;
      entries.push_back(std::move(e));
    }
  };
  auto add_table_entry = [&](uint32_t objid, uint32_t root, uint32_t space, uint32_t flags,
                             uint32_t pages, const std::string& name) {
    CatalogEntry e;
    e.objid_table = objid;
    e.type = catalog_type::table;
    e.id = objid;
    e.coltyp_or_pgno = root;
    e.space_usage = space;
    e.flags = flags;
    e.pages_or_locale = pages;
    e.root_flag = true;
    e.name = name;
    entries.push_back(std::move(e));
  };
  add_table_entry(kCatalogObjid, kCatalogRootPage, 80, 0xC0000000u, 20, "MSysObjects");
  add_columns(kCatalogObjid, sys_columns, sys_layout);
  add_table_entry(kShadowCatalogObjid, kShadowCatalogRootPage, 80, 0xC0000000u, 5,
                  "MSysObjectsShadow");
  add_columns(kShadowCatalogObjid, sys_columns, sys_layout);
  for (const TableState& t : tables) {
    add_table_entry(t.objid(), t.root_page(), 80, 0, 1, t.def().name);
    add_columns(t.objid(), t.def().columns, t.columns());
    if (const LongValueWriter* lv = t.long_values()) {
      CatalogEntry e;
      e.objid_table = t.objid();
      e.type = catalog_type::long_value;
      e.id = lv->objid();
      e.coltyp_or_pgno = lv->root_page();
      e.space_usage = 100;
      e.pages_or_locale = 1;
      e.root_flag = true;
      e.name = "LV";
      entries.push_back(std::move(e));
    }
    uint32_t callback_id = 5;
    for (const std::string& cb : t.def().callbacks) {
      CatalogEntry e;
      e.objid_table = t.objid();
      e.type = catalog_type::callback;
      e.id = callback_id++;
      e.flags = 1;
      e.name = "CB";
      e.template_table = cb;
      entries.push_back(std::move(e));
    }
  }
  const bool large = layout.page_size >= 16384;
  TreeBuilder catalog(*file, layout, kCatalogObjid, kCatalogRootPage, 0, {20, 1, 1, 5});
  write_catalog(entries, catalog, large, rev);
  catalog.finish();
  TreeBuilder shadow(*file, layout, kShadowCatalogObjid, kShadowCatalogRootPage, 0, {5, 1, 1, 25});
  write_catalog(std::move(entries), shadow, large, rev);
  shadow.finish();
}

void DatabaseWriter::Impl::write_header() {
  std::vector<uint8_t> h(layout.page_size, 0);
  uint8_t* p = h.data();
  namespace field = quorvine::ese::format::file_header;
  store_le32(p + field::signature, field::signature_value);
  store_le32(p + field::format_version, options.format_version);
  store_le32(p + field::file_type, 0);
  store_le64(p + field::database_time, file->dbtime());
  // Database signature: a random number and the creation time.
  std::random_device rd;
  store_le32(p + field::database_signature, rd());
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  gmtime_r(&now, &tm);
  const uint8_t log_time[8] = {uint8_t(tm.tm_sec), uint8_t(tm.tm_min), uint8_t(tm.tm_hour),
                               uint8_t(tm.tm_mday), uint8_t(tm.tm_mon + 1), uint8_t(tm.tm_year), 0, 0};
  std::copy(std::begin(log_time), std::end(log_time), p + field::creation_log_time);
  store_le32(p + field::state, uint32_t(options.state));
  store_le32(p + field::constant_one, 1);
  store_le32(p + field::last_object_id, next_objid - 1);
  store_le32(p + field::os_major, 6);
  store_le32(p + field::os_minor, 1);
  store_le32(p + field::os_build, 7601);
  store_le32(p + field::os_service_pack, 1);
  store_le32(p + field::format_revision, options.format_revision);
  store_le32(p + field::page_size, layout.page_size);
  store_le32(p + field::creation_format_version, options.format_version);
  store_le32(p + field::creation_format_revision, options.creation_format_revision);
  store_le32(p + field::constant_flag, 0x01000000);
  store_le32(p + field::checksum, ese::header_checksum(h));
  file->write_header(h);
}

void DatabaseWriter::finish() {
  if (impl_->finished) throw std::logic_error("The database is already finished.");
  for (TableState& t : impl_->tables) t.finish();
  impl_->write_catalogs();
  impl_->write_fixed_pages();
  impl_->write_header();
  impl_->file->close();
  std::error_code ec;
  std::filesystem::rename(impl_->temp, impl_->out, ec);
  if (ec)
    throw std::runtime_error("Cannot move the finished database to " + impl_->out.string() + ": " +
                             ec.message() + ".");
  impl_->finished = true;
}

}  // namespace edbgen
