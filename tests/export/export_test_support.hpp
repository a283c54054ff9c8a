#pragma once
// Stores made by edbgen and scanned, for the export tests.
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
                       scan::ExchangeVersion version, scan::ScanSession& session) {
  session.settings.strFileDir = store;
  session.settings.exchange_version_support = version;
  session.settings.tempFileDataDir = work / "data";
  session.settings.tempFilePath = work / "tmp";
  std::filesystem::create_directories(session.settings.tempFileDataDir);
  std::filesystem::create_directories(session.settings.tempFilePath);
  scan::SilentScanObserver observer;
  scan::exportdata(session, observer);
  ASSERT_EQ(session.outcome, scan::ScanOutcome::Completed) << session.failure_reason;
}

}  // namespace quorvine::exporting
