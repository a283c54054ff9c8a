#pragma once
// The "auto" choice of the Exchange generation: the store is opened once and its table names
// decide. A database with none of the Exchange tables (a Windows Search or SRUM database,
// say) is refused rather than read as an empty store.
#include <filesystem>
#include <optional>
#include <string>

#include "ese/database.hpp"
#include "decode/generation.hpp"

namespace quorvine::scan {

struct ExchangePick {
  // The generation the tables show; V2007 when the file could not be opened, so that the
  // scan itself says why.
  decode::Generation version = decode::Generation::V2007;
  // The open database, for the scan to read without opening it again.
  std::optional<ese::Database> database;
  // Not empty when the database has none of the Exchange tables: one sentence saying so.
  std::string refusal;
};

ExchangePick pick_exchange_version(const std::filesystem::path& store);

}  // namespace quorvine::scan
