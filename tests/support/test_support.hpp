#pragma once
// Shared helpers of the test binaries: where the real ESE samples and the built programs
// are, and scratch folders that clean up after themselves.
#include <filesystem>
#include <optional>
#include <string>

namespace quorvine::testing {

// The folder of real ESE files written by Microsoft's engine, or nothing when it is not
// present on this machine (tests that need it then skip).
std::optional<std::filesystem::path> ese_samples_dir();

// A readable sample by file name; a ".gz" sample is unpacked once into the build tree.
std::optional<std::filesystem::path> ese_sample(const std::string& name);

std::filesystem::path source_dir();
std::filesystem::path binary_dir();
std::filesystem::path edbgen_program();
std::filesystem::path quorvine_program();

// Runs a shell command, returns its exit status and captures standard output.
struct CommandResult {
  int status = -1;
  std::string out;
};
CommandResult run_command(const std::string& command);

// A fresh folder under the system temporary folder, removed when the object goes.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

}  // namespace quorvine::testing

// Skips the current test when the real samples are absent.
#define QUORVINE_REQUIRE_SAMPLES()                                            \
  do {                                                                        \
    if (!::quorvine::testing::ese_samples_dir())                              \
      GTEST_SKIP() << "ese-samples folder not present";                       \
  } while (0)
