#pragma once
// Stores made by edbgen and scanned, and parts read back, for the export tests.
#include <gmime/gmime.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "scan/scan_driver.hpp"
#include "support/test_support.hpp"

namespace quorvine::exporting {

// Writes the store of `scenario` for `generation` ("2007", "2010") to `store`.
inline void make_store(const std::filesystem::path& scenario, const char* generation,
                       const std::filesystem::path& store) {
  const auto result = quorvine::testing::run_command(quorvine::testing::edbgen_program().string() + " --exchange " +
                                                     generation + " --scenario '" + scenario.string() + "' --out '" +
                                                     store.string() + "' 2>&1");
  ASSERT_EQ(result.status, 0) << result.out;
}

inline void scan_store(const std::filesystem::path& store, const std::filesystem::path& work,
                       decode::Generation version, scan::ScanSession& session) {
  session.settings.database_file = store;
  session.settings.generation = version;
  session.settings.work_folder = work / "data";
  session.settings.temp_folder = work / "tmp";
  std::filesystem::create_directories(session.settings.work_folder);
  std::filesystem::create_directories(session.settings.temp_folder);
  scan::SilentScanObserver observer;
  scan::scan_store(session, observer);
  ASSERT_EQ(session.outcome, scan::ScanOutcome::Completed) << session.failure_reason;
}

// The decoded content of a part GMime parsed.
inline std::string part_text(GMimePart* part) {
  GMimeStream* memory = g_mime_stream_mem_new();
  g_mime_data_wrapper_write_to_stream(g_mime_part_get_content(part), memory);
  GByteArray* bytes = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(memory));
  std::string text(reinterpret_cast<const char*>(bytes->data), bytes->len);
  g_object_unref(memory);
  return text;
}

}  // namespace quorvine::exporting
