#pragma once
// Running the built programs from the command-line tests.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "support/test_support.hpp"

namespace cli_test {

inline std::string quote(const std::filesystem::path& path) {
  std::string out = "'";
  for (char c : path.string()) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

// Runs quorvine with its data and temporary folders inside `dir` (unless `environment`
// sets them); stderr goes to err.txt there.
inline quorvine::testing::CommandResult run_quorvine(const quorvine::testing::ScratchDir& dir,
                                                     const std::string& args,
                                                     const std::string& environment = "") {
  return quorvine::testing::run_command("XDG_DATA_HOME=" + quote(dir / "data") + " TMPDIR=" + quote(dir.path()) +
                                        " " + environment + " " + quote(quorvine::testing::quorvine_program()) +
                                        " " + args + " 2>" + quote(dir / "err.txt"));
}

inline std::string stderr_of(const quorvine::testing::ScratchDir& dir) {
  std::ifstream in(dir / "err.txt");
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Writes the scenario's store with edbgen into `dir`.
inline std::filesystem::path make_store(const quorvine::testing::ScratchDir& dir, const std::string& scenario,
                                        const std::string& exchange, bool is_public = false) {
  const auto out = dir / (scenario + "_" + exchange + ".edb");
  const auto result = quorvine::testing::run_command(
      quote(quorvine::testing::edbgen_program()) + " --exchange " + exchange + (is_public ? " --public" : "") +
      " --scenario " + quote(quorvine::testing::source_dir() / "tests" / "data" / (scenario + ".json")) +
      " --out " + quote(out) + " 2>&1");
  EXPECT_EQ(result.status, 0) << result.out;
  return out;
}

}  // namespace cli_test
