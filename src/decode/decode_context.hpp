#pragma once
// What the value renderers need to know about the open database: one object per open
// database, read-only while values are rendered, so any number of threads may share it.
#include <atomic>
#include <cstdint>
#include <filesystem>

#include "decode/generation.hpp"

namespace quorvine::decode {

// Counts the values that could not be read and were rendered as nothing, so the damage
// reaches the user instead of passing as an empty field. Shared across threads.
struct DamageTally {
  std::atomic<uint64_t> values{0};
};

struct DecodeContext {
  Generation generation = Generation::V2007;
  // As settled by the scan (15 for the 2003/2007 schema); 17 selects replica-counter ids.
  uint32_t format_revision = 0;
  // Folder of the spill files.
  std::filesystem::path temp_folder;
  // Column entry of "S7d" (transport headers) in the 2003/2007 message table, -1 unmapped.
  int64_t spilled_column = -1;
  // Where damaged values are counted; nullptr counts nothing.
  DamageTally* damage = nullptr;

  void count_damaged_value() const {
    if (damage) damage->values.fetch_add(1, std::memory_order_relaxed);
  }
};

}  // namespace quorvine::decode
