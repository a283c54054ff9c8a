#pragma once
// The state the value renderers read and the outputs they leave for their callers: one
// object per open database, passed by reference instead of process-wide variables.
#include <cstdint>
#include <filesystem>
#include <string>

namespace quorvine::decode {

struct DecodeContext {
  // "2007" (2003/2007 schema), "2010" or "2013".
  std::string exchange_version_support = "2007";
  // As settled by the scan (15 for the 2003/2007 schema); 17 selects replica-counter ids.
  uint32_t format_revision = 0;
  // Folder of the spill files.
  std::filesystem::path tempFilePath;
  // Column entry of "S7d" (transport headers) in the 2003/2007 message table, -1 unmapped.
  int64_t m_S7d = -1;

  // Outputs. Path of the spill file written by the last long-value read.
  std::filesystem::path S7dszPath;
  // Text of the last identifier rendered by export_exchange_record_value_64bit_2010.
  std::string x64bitID;
};

}  // namespace quorvine::decode
