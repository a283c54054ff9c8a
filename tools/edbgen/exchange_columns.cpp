#include "edbgen/exchange_columns.hpp"

#include <set>

namespace edbgen {
namespace {

namespace cf = quorvine::ese::column_flags;

bool starts_with(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

}  // namespace

ColumnSet::ColumnSet(std::string table_name, std::string first_fixed_column) {
  def_.name = std::move(table_name);
  add(first_fixed_column, ColumnType::Long, false, false, 0, true);
}

void ColumnSet::add(const std::string& name, ColumnType type, bool compressed, bool multi_valued,
                    uint32_t max_size, bool fixed_column) {
  if (ids_.count(name)) return;
  ColumnDef c;
  c.name = name;
  c.type = type;
  const bool fixed_type = type == ColumnType::Long || type == ColumnType::Boolean ||
                          type == ColumnType::Currency || type == ColumnType::LongLong ||
                          type == ColumnType::DateTime || type == ColumnType::UnsignedLong;
  if (fixed_column && (!fixed_type || multi_valued || next_fixed_ > 127))
    throw LayoutError("column " + name + " cannot be fixed");
  const bool fixed = fixed_column;
  const bool is_long = type == ColumnType::LargeText || type == ColumnType::LargeBinary;
  if (multi_valued) c.flags |= cf::multi_valued;
  if (compressed && is_long) c.flags |= cf::compressed;
  if (quorvine::ese::is_text(type)) c.codepage = 1200;
  if (fixed) {
    c.id = next_fixed_++;
  } else if (!is_long && !fixed_type && !multi_valued && max_size > 0 && max_size <= 255) {
    c.id = next_variable_++;
    c.max_size = max_size;
  } else {
    c.id = next_tagged_++;
  }
  if (fixed) {
    switch (type) {
      case ColumnType::Boolean: c.max_size = 1; break;
      case ColumnType::Long:
      case ColumnType::UnsignedLong: c.max_size = 4; break;
      default: c.max_size = 8; break;
    }
  }
  ids_[name] = c.id;
  types_[name] = type;
  def_.columns.push_back(std::move(c));
}

void ColumnSet::add_property(const std::string& name, bool compressed) {
  if (starts_with(name, "MS")) return add(name, ColumnType::LargeText, compressed, true);
  if (starts_with(name, "MN")) return add(name, ColumnType::LargeBinary, compressed, true);
  if (name == "N67b0" || name == "N65f9" || starts_with(name, "Q"))
    return add(name, ColumnType::Binary, false, false, 8);
  switch (name.empty() ? '\0' : name[0]) {
    case 'S': return add(name, ColumnType::LargeText, compressed);
    case 'N': return add(name, ColumnType::LargeBinary, compressed);
    case 'T': return add(name, ColumnType::Currency);
    case 'L': return add(name, ColumnType::Long);
    case 'B': return add(name, ColumnType::Boolean);
    case 'D': return add(name, ColumnType::DateTime);
    default: throw LayoutError("column name \"" + name + "\" has no known type letter");
  }
}

uint32_t ColumnSet::id(const std::string& name) const {
  const auto it = ids_.find(name);
  if (it == ids_.end()) throw LayoutError("table " + def_.name + " has no column " + name);
  return it->second;
}

ColumnType ColumnSet::type(const std::string& name) const {
  const auto it = types_.find(name);
  if (it == types_.end()) throw LayoutError("table " + def_.name + " has no column " + name);
  return it->second;
}

void RecordCells::put(const std::string& column, std::vector<Bytes> elements, Storage s) {
  Cell c;
  c.column_id = columns_.id(column);
  c.elements = std::move(elements);
  c.storage = s;
  cells_[c.column_id] = std::move(c);
}

void RecordCells::text(const std::string& column, const std::string& utf8, Storage s) {
  put(column, {utf16le(utf8)}, s);
}

void RecordCells::binary(const std::string& column, Bytes data, Storage s) {
  put(column, {std::move(data)}, s);
}

void RecordCells::int32(const std::string& column, int32_t v) {
  put(column, {le32(static_cast<uint32_t>(v))}, Storage::Auto);
}

void RecordCells::int64(const std::string& column, int64_t v) {
  put(column, {le64(static_cast<uint64_t>(v))}, Storage::Auto);
}

void RecordCells::filetime(const std::string& column, uint64_t ft) {
  put(column, {le64(ft)}, Storage::Auto);
}

void RecordCells::boolean(const std::string& column, bool v) {
  put(column, {Bytes{static_cast<uint8_t>(v ? 0xFF : 0x00)}}, Storage::Auto);
}

void RecordCells::multi(const std::string& column, std::vector<Bytes> elements) {
  put(column, std::move(elements), Storage::Auto);
}

std::vector<Cell> RecordCells::cells() const {
  std::vector<Cell> out;
  out.reserve(cells_.size());
  for (const auto& [id, cell] : cells_) out.push_back(cell);
  return out;
}

const std::vector<std::string>& message_property_columns() {
  // The 2003/2007 message-table names and the 2010 body-table names, each once.
  static const std::vector<std::string> columns = [] {
    const char* const names[] = {
        "S82f6", "S803b", "S802f", "S802c", "S1000", "MN81d8", "S81b3", "S81b1", "S81b2",
        "S82a0", "S829f", "S81c2", "S81b0", "S81b5", "S81af", "S3a28", "S3a27", "S3a26",
        "S3a17", "S3a1c", "S80a7", "S80a6", "S808d", "S3a2a", "S3a29", "S3a24", "S3a09",
        "S3a51", "S8241", "S3a16", "S3a15", "S3a44", "S3a11", "S3a06", "S3a08", "S80a5",
        "S809e", "S8097", "S3a0a", "S3a45", "S8095", "S3a5d", "S3a5c", "S3a59", "S3a5b",
        "S3a5a", "S3a1b", "S3001", "S8299", "N67b4", "S3a19", "S3a4f", "T3a42", "MN81a9",
        "S3a18", "S3a2f", "S3a46", "S3a05", "S3a1f", "S3a23", "N1013", "S8027", "S81ba",
        "S81b9", "N1009", "N67b5", "S8201", "S821b", "T81cb", "T81c9", "T81ef", "T810b",
        "T81bd", "T81bc", "S801b", "S7d", "S8214", "S81fd", "T8102", "T81c3", "T81c2",
        "S8149", "S810e", "S8076", "S810c", "S70", "T8100", "T818f", "T800d", "T814e",
        "S80fd", "T814d", "T818a", "S8122", "D8121", "T8199", "T8198", "T811f", "N826d",
        "MS80db", "S827c", "S827d", "Se29", "Se28", "S3003", "S8010", "S803a", "S802b",
        "S8204", "T60", "T61", "T812e", "T8156", "T8155", "S8120", "L0e07",
        // 2010 body-table names beyond the ones above
        "S8232", "L3705", "S3707", "N67b3", "N65f9", "N3701", "N64f0", "S801a", "MN81e9",
        "S8023", "S801d", "S8020", "S8145", "S8143", "S8144", "S8146", "L813a", "S8051",
        "S8049", "S8004", "T8041", "T8040", "S4025", "N2c", "S800e", "S800b", "N8102", "S370e"};
    std::vector<std::string> out;
    std::set<std::string> seen;
    for (const char* n : names)
      if (seen.insert(n).second) out.push_back(n);
    return out;
  }();
  return columns;
}

}  // namespace edbgen
