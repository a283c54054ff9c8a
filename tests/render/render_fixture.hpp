#pragma once
// Stores written by edbgen for the render tests, scanned into a session.
#include <filesystem>
#include <string>

#include <nlohmann/json.hpp>

#include "scan/scan_session.hpp"
#include "support/test_support.hpp"

namespace render_test {

// Writes `scenario` with edbgen as `exchange` ("2007", "2010"; `flags` e.g. "--public"),
// returns the store path, or an empty path (with a failed expectation) when that fails.
std::filesystem::path make_store(const nlohmann::json& scenario, const std::string& exchange,
                                 const quorvine::testing::ScratchDir& dir, const std::string& flags = "");

// Scans `store` into `session` with `dir`'s work and temporary folders.
bool scan_into(const std::filesystem::path& store, const std::string& exchange,
               const quorvine::testing::ScratchDir& dir, quorvine::scan::ScanSession& session);

std::string read_file(const std::filesystem::path& path);

}  // namespace render_test
