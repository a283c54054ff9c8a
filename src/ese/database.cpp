#include "ese/database.hpp"

#include <map>
#include <mutex>

#include "ese/byte_reader.hpp"
#include "ese/catalog.hpp"
#include "ese/file_descriptor.hpp"
#include "ese/file_format.hpp"
#include "ese/long_value_store.hpp"
#include "ese/page_reader.hpp"
#include "ese/table_impl.hpp"

namespace quorvine::ese {

struct Database::Impl {
  std::filesystem::path path;
  DatabaseHeader header;
  std::vector<TableInfo> tables;
  std::shared_ptr<const detail::PageReader> pages;
  detail::Catalog catalog;
  uint64_t tables_from_shadow = 0;  // tables the catalog lacks that its shadow copy held
  std::mutex stores_mutex;
  std::map<uint32_t, std::shared_ptr<const LongValueStore>> stores;  // by table object id
  // Tables opened so far, so that a table's record positions are found only once.
  std::mutex tables_mutex;
  std::map<size_t, std::shared_ptr<Table::Impl>> opened;

  std::shared_ptr<const LongValueStore> long_values(const detail::CatalogTable& table);
};

namespace {

constexpr uint32_t kMinimumPages = 4;  // the catalog root is page 4

ColumnInfo column_info(uint32_t id, const detail::CatalogColumn& stored) {
  ColumnInfo c;
  c.id = id;
  c.name = stored.name;
  c.type = static_cast<ColumnType>(stored.type);
  c.flags = stored.flags;
  c.codepage = stored.codepage;
  if (c.flags & column_flags::has_default) c.default_value = stored.default_value;
  return c;
}

}  // namespace

std::shared_ptr<const LongValueStore> Database::Impl::long_values(const detail::CatalogTable& table) {
  if (!table.long_value_tree) return nullptr;
  std::lock_guard lock(stores_mutex);
  auto& store = stores[table.object_id];
  if (!store) {
    auto [lv_object, root] = *table.long_value_tree;
    store = std::make_shared<const LongValueStore>(pages, root, lv_object);
  }
  return store;
}

Database::Database(std::shared_ptr<Impl> impl) : impl_(std::move(impl)) {}

Database Database::open(const std::filesystem::path& file) {
  auto fd = std::make_shared<detail::FileDescriptor>(detail::FileDescriptor::open_database(file));
  const std::string name = file.string();
  std::vector<uint8_t> start(2 * 32768);
  start.resize(fd->read_at(0, start));
  if (start.size() < 4096) {
    const ByteReader in(start, "The file header");
    const bool signature = start.size() >= 8 && in.u32_at(format::file_header::signature, "the signature") ==
                                                    format::file_header::signature_value;
    throw EseError("Cannot open " + name + (signature ? ": the file is truncated (shorter than a header)."
                                                       : ": it is not an ESE database (no signature)."));
  }

  auto impl = std::make_shared<Impl>();
  impl->path = file;
  try {
    impl->header = parse_database_header(start);
  } catch (const EseError& e) {
    throw EseError("Cannot open " + name + ": " + e.what() + ".");
  }
  const uint32_t page_size = impl->header.page_size;
  if (fd->size() < (kMinimumPages + 2ull) * page_size)
    throw EseError("Cannot open " + name + ": the file is truncated (" + std::to_string(fd->size()) +
                   " bytes, fewer than its first " + std::to_string(kMinimumPages) + " pages).");

  impl->pages = std::make_shared<const detail::PageReader>(
      std::make_shared<detail::FileSource>(fd), detail::PageLayout{page_size, impl->header.format_revision, true});
  impl->catalog = detail::read_catalog(impl->pages, detail::kCatalogRootPage, detail::kCatalogObjectId);
  if (impl->catalog.order.empty()) {
    // The shadow copy holds the same entries; it serves only when the catalog is lost.
    detail::Catalog shadow =
        detail::read_catalog(impl->pages, detail::kShadowCatalogRootPage, detail::kShadowCatalogObjectId);
    if (shadow.order.empty()) throw EseError("Cannot open " + name + ": its catalog cannot be read.");
    shadow.damaged += impl->catalog.damaged + 1;
    impl->catalog = std::move(shadow);
  } else {
    // Tables whose catalog entries sat on damaged pages, or on a page damaged in a way that
    // still reads (an entry's flag turned to deleted), are taken from the shadow copy.
    detail::Catalog shadow =
        detail::read_catalog(impl->pages, detail::kShadowCatalogRootPage, detail::kShadowCatalogObjectId);
    for (uint32_t object_id : shadow.order)
      if (auto it = shadow.tables.find(object_id);
          it != shadow.tables.end() && impl->catalog.tables.try_emplace(object_id, it->second).second) {
        impl->catalog.order.push_back(object_id);
        ++impl->tables_from_shadow;
      }
  }
  for (uint32_t object_id : impl->catalog.order) {
    auto it = impl->catalog.tables.find(object_id);
    if (it == impl->catalog.tables.end()) continue;
    TableInfo info;
    info.index = impl->tables.size();
    info.name = it->second.name;
    info.object_id = object_id;
    info.callbacks = it->second.callbacks;
    impl->tables.push_back(std::move(info));
  }
  return Database(std::move(impl));
}

const std::filesystem::path& Database::path() const { return impl_->path; }
const DatabaseHeader& Database::header() const { return impl_->header; }
const std::vector<TableInfo>& Database::tables() const { return impl_->tables; }
uint64_t Database::damaged_catalog_entries() const { return impl_->catalog.damaged; }
uint64_t Database::tables_from_shadow_catalog() const { return impl_->tables_from_shadow; }

std::optional<size_t> Database::find_table(std::string_view name) const {
  for (const TableInfo& t : impl_->tables)
    if (t.name == name) return t.index;
  return std::nullopt;
}

Table Database::open_table(size_t index) const {
  if (index >= impl_->tables.size())
    throw EseError("Table " + std::to_string(index) + " does not exist in " + impl_->path.string() + ".");
  std::lock_guard lock(impl_->tables_mutex);
  if (auto it = impl_->opened.find(index); it != impl_->opened.end()) return Table(it->second);
  const TableInfo& info = impl_->tables[index];
  const detail::CatalogTable& catalog = impl_->catalog.tables.at(info.object_id);
  const std::string context = "Table " + info.name + " of " + impl_->path.string();
  if (catalog.root_page == 0 || catalog.root_page > impl_->pages->page_count())
    throw EseError(context + " cannot be read: its root page " + std::to_string(catalog.root_page) +
                   " lies outside the file.");

  // A table made from a template inherits the template's columns, which come first.
  auto columns = std::make_shared<std::vector<ColumnInfo>>();
  std::vector<uint32_t> fixed_sizes;
  auto add_columns = [&](const detail::CatalogTable& from) {
    for (const auto& [id, stored] : from.columns) {
      columns->push_back(column_info(id, stored));
      fixed_sizes.push_back(stored.space_usage);
    }
  };
  if (!catalog.template_name.empty()) {
    const detail::CatalogTable* base = impl_->catalog.find(catalog.template_name);
    if (!base || base == &catalog)
      throw EseError(context + " cannot be read: its template table " + catalog.template_name + " is missing.");
    add_columns(*base);
  }
  add_columns(catalog);

  auto table = std::make_shared<Table::Impl>();
  table->name = info.name;
  table->file = impl_->path.string();
  table->index = index;
  table->root_page = catalog.root_page;
  table->object_id = info.object_id;
  table->pages = impl_->pages;
  table->columns = columns;
  for (size_t i = 0; i < columns->size(); ++i) table->column_by_name.emplace((*columns)[i].name, i);
  table->schema = std::make_unique<const detail::RecordSchema>(columns, std::move(fixed_sizes),
                                                               detail::RecordFormat::of(impl_->pages->layout()));
  table->long_values = impl_->long_values(catalog);
  impl_->opened.emplace(index, table);
  return Table(std::move(table));
}

}  // namespace quorvine::ese
