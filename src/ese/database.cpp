#include "ese/database.hpp"

#include <algorithm>
#include <map>
#include <mutex>

#include "ese/catalog.hpp"
#include "ese/database_file.hpp"
#include "ese/libesedb_handles.hpp"
#include "ese/long_value_store.hpp"
#include "ese/page_reader.hpp"
#include "ese/table_impl.hpp"

namespace quorvine::ese {

using detail::LibError;

struct Database::Impl {
  std::filesystem::path path;
  DatabaseHeader header;
  std::vector<TableInfo> tables;
  std::shared_ptr<detail::DatabaseFile> file;
  std::shared_ptr<const detail::PageReader> pages;
  detail::Catalog catalog;
  std::mutex stores_mutex;
  std::map<uint32_t, std::shared_ptr<const LongValueStore>> stores;  // by table object id

  std::shared_ptr<const LongValueStore> long_values(uint32_t object_id);
};

namespace {

constexpr uint32_t kMinimumPages = 4;  // the catalog root is page 4

std::string table_name(libesedb_table_t* table) {
  LibError error;
  size_t size = 0;
  if (libesedb_table_get_utf8_name_size(table, &size, error.out()) != 1 || size == 0) return {};
  std::string name(size, '\0');
  if (libesedb_table_get_utf8_name(table, reinterpret_cast<uint8_t*>(name.data()), size, error.out()) != 1)
    return {};
  while (!name.empty() && name.back() == '\0') name.pop_back();
  return name;
}

std::string column_name(libesedb_column_t* column) {
  LibError error;
  size_t size = 0;
  if (libesedb_column_get_utf8_name_size(column, &size, error.out()) != 1 || size == 0) return {};
  std::string name(size, '\0');
  if (libesedb_column_get_utf8_name(column, reinterpret_cast<uint8_t*>(name.data()), size, error.out()) != 1)
    return {};
  while (!name.empty() && name.back() == '\0') name.pop_back();
  return name;
}

detail::TableHandle get_table(libesedb_file_t* file, size_t index, const std::string& context) {
  LibError error;
  libesedb_table_t* raw = nullptr;
  if (libesedb_file_get_table(file, static_cast<int>(index), &raw, error.out()) != 1)
    throw EseError(context + ": table " + std::to_string(index) + " cannot be opened (" + error.message() + ").");
  return detail::TableHandle(raw);
}

}  // namespace

std::shared_ptr<const LongValueStore> Database::Impl::long_values(uint32_t object_id) {
  auto it = catalog.tables.find(object_id);
  if (it == catalog.tables.end() || !it->second.long_value_tree) return nullptr;
  std::lock_guard lock(stores_mutex);
  auto& store = stores[object_id];
  if (!store) {
    auto [lv_object, root] = *it->second.long_value_tree;
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
    const bool signature = start.size() >= 8 && start[4] == 0xEF && start[5] == 0xCD && start[6] == 0xAB && start[7] == 0x89;
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
  const size_t checked_copy = impl->header.from_shadow_copy ? page_size : 0;
  std::span<const uint8_t> header_page(start.data() + checked_copy, page_size);

  impl->pages = std::make_shared<const detail::PageReader>(
      std::make_shared<detail::FileSource>(fd),
      detail::PageLayout{page_size, impl->header.format_revision, true});
  impl->file = std::make_shared<detail::DatabaseFile>(file, fd, header_page);

  libesedb_file_t* f = impl->file->get();
  LibError error;
  int table_count = 0;
  if (libesedb_file_get_number_of_tables(f, &table_count, error.out()) != 1)
    throw EseError("Cannot open " + name + ": its tables cannot be listed (" + error.message() + ").");
  for (int i = 0; i < table_count; ++i) {
    auto table = get_table(f, i, "Cannot open " + name);
    TableInfo info;
    info.index = static_cast<size_t>(i);
    info.name = table_name(table.get());
    uint32_t id = 0;
    if (libesedb_table_get_identifier(table.get(), &id, error.out()) == 1) info.object_id = id;
    impl->tables.push_back(std::move(info));
    if (impl->tables.back().name == "MSysObjects" && impl->catalog.tables.empty()) {
      try {
        impl->catalog = detail::read_catalog(table.get());
      } catch (const EseError& e) {
        throw EseError("Cannot open " + name + ": " + e.what());
      }
    }
  }
  for (TableInfo& info : impl->tables) {
    auto it = impl->catalog.tables.find(info.object_id);
    if (it == impl->catalog.tables.end() || it->second.name != info.name) {
      const detail::CatalogTable* by_name = impl->catalog.find(info.name);
      if (!by_name) continue;
      info.object_id = by_name->object_id;
      it = impl->catalog.tables.find(info.object_id);
    }
    info.callbacks = it->second.callbacks;
  }
  return Database(std::move(impl));
}

const std::filesystem::path& Database::path() const { return impl_->path; }
const DatabaseHeader& Database::header() const { return impl_->header; }
const std::vector<TableInfo>& Database::tables() const { return impl_->tables; }

std::optional<size_t> Database::find_table(std::string_view name) const {
  for (const TableInfo& t : impl_->tables)
    if (t.name == name) return t.index;
  return std::nullopt;
}

Table Database::open_table(size_t index) const {
  if (index >= impl_->tables.size())
    throw EseError("Table " + std::to_string(index) + " does not exist in " + impl_->path.string() + ".");
  const TableInfo& info = impl_->tables[index];
  const std::string context = "Table " + info.name + " of " + impl_->path.string();
  auto table = std::make_shared<Table::Impl>();
  table->file = impl_->file;
  table->name = info.name;
  table->index = index;
  std::lock_guard lock(impl_->file->mutex());
  table->handle = get_table(impl_->file->get(), index, "Cannot open " + impl_->path.string());
  LibError error;
  int record_count = 0;
  if (libesedb_table_get_number_of_records(table->handle.get(), &record_count, error.out()) != 1)
    throw EseError(context + " cannot be read: " + error.message() + ".");
  table->record_count = static_cast<uint64_t>(std::max(record_count, 0));
  int column_count = 0;
  if (libesedb_table_get_number_of_columns(table->handle.get(), &column_count, 0, error.out()) != 1)
    throw EseError(context + " cannot be read: " + error.message() + ".");
  auto catalog_table = impl_->catalog.tables.find(info.object_id);
  const detail::CatalogTable* catalog = catalog_table != impl_->catalog.tables.end() ? &catalog_table->second : nullptr;
  auto columns = std::make_shared<std::vector<ColumnInfo>>();
  columns->reserve(static_cast<size_t>(std::max(column_count, 0)));
  auto column_from_library = [&](int i) {
    libesedb_column_t* raw = nullptr;
    if (libesedb_table_get_column(table->handle.get(), i, &raw, 0, error.out()) != 1)
      throw EseError(context + ": column " + std::to_string(i) + " cannot be read (" + error.message() + ").");
    detail::ColumnHandle column(raw);
    ColumnInfo c;
    uint32_t value = 0;
    if (libesedb_column_get_identifier(column.get(), &value, error.out()) == 1) c.id = value;
    if (libesedb_column_get_type(column.get(), &value, error.out()) == 1) c.type = static_cast<ColumnType>(value);
    c.name = column_name(column.get());
    return c;
  };
  auto add_catalog_details = [&](ColumnInfo& c) {
    if (!catalog) return;
    if (auto it = catalog->columns.find(c.id); it != catalog->columns.end()) {
      c.flags = it->second.flags;
      c.codepage = it->second.codepage;
      if (c.flags & column_flags::has_default) c.default_value = it->second.default_value;
    }
  };
  // libesedb lists a table's columns in catalog (id) order, but finds each one by walking
  // its list, which is quadratic on wide tables. When the catalog holds the same columns
  // (no template table adds any), build the list from it, checked at both ends.
  bool from_catalog = catalog && column_count > 0 && catalog->columns.size() == static_cast<size_t>(column_count);
  if (from_catalog) {
    ColumnInfo first = column_from_library(0);
    ColumnInfo last = column_from_library(column_count - 1);
    from_catalog = first.id == catalog->columns.begin()->first && last.id == catalog->columns.rbegin()->first;
  }
  if (from_catalog) {
    for (const auto& [id, stored] : catalog->columns) {
      ColumnInfo c;
      c.id = id;
      c.type = static_cast<ColumnType>(stored.type);
      c.name = stored.name;
      add_catalog_details(c);
      columns->push_back(std::move(c));
    }
  } else {
    for (int i = 0; i < column_count; ++i) {
      ColumnInfo c = column_from_library(i);
      add_catalog_details(c);
      columns->push_back(std::move(c));
    }
  }
  table->columns = std::move(columns);
  table->long_values = impl_->long_values(info.object_id);
  if (catalog && catalog->root_page != 0)
    table->null_fixed_columns = std::make_unique<detail::NullFixedColumns>(impl_->pages, catalog->root_page,
                                                                           info.object_id, table->record_count);
  return Table(std::move(table));
}

}  // namespace quorvine::ese
