#pragma once
// The independent oracle: a file read through libesedb alone, value for value, in the
// shape our reader gives (tables in catalog order, columns, records in key order, each
// value's stored bytes and flag byte).
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace quorvine::ese::testing {

struct OracleValue {
  uint8_t flags = 0;
  std::vector<uint8_t> raw;
};

struct OracleColumn {
  uint32_t id = 0;
  uint32_t type = 0;
  std::string name;
};

struct OracleRecord {
  bool readable = false;  // libesedb could read the record
  std::vector<std::optional<OracleValue>> values;  // per column; nothing when it holds no data
};

struct OracleTable {
  std::string name;
  uint32_t object_id = 0;
  bool readable = false;  // libesedb could open the table and list its columns and records
  std::vector<OracleColumn> columns;
  std::vector<OracleRecord> records;
};

struct OracleFile {
  bool opened = false;
  std::string error;
  std::vector<OracleTable> tables;
};

OracleFile read_with_libesedb(const std::filesystem::path& file);

}  // namespace quorvine::ese::testing
