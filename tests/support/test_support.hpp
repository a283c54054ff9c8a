#pragma once
// Shared helpers of the test binaries: where the real ESE samples and the built programs
// are, and scratch folders that clean up after themselves.
#include <filesystem>
#include <optional>
#include <string>

namespace quorvine::testing {

// The real ESE files written by Microsoft's engine, kept in the source tree.
std::filesystem::path ese_samples_dir();

// Why the sample tests do not run: set QUORVINE_SKIP_SAMPLES=1 to skip them on purpose;
// nothing when they must run. A missing sample is a failure, never a skip, so that lost
// coverage shows.
std::optional<std::string> samples_skip_reason();

// A sample by file name, from readable/ or unreadable/; a ".gz" sample is unpacked once into
// the build tree. Throws when the sample is missing.
std::filesystem::path ese_sample(const std::string& name);

std::filesystem::path source_dir();
std::filesystem::path binary_dir();
std::filesystem::path edbgen_program();
std::filesystem::path quorvine_program();

// A whole file's bytes (empty when it cannot be read), and a file written with `text`.
std::string read_file(const std::filesystem::path& file);
void write_file(const std::filesystem::path& file, const std::string& text);

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

// Skips the current test only when the samples are skipped on purpose.
#define QUORVINE_REQUIRE_SAMPLES()                                            \
  do {                                                                        \
    if (auto reason = ::quorvine::testing::samples_skip_reason())             \
      GTEST_SKIP() << *reason;                                                \
  } while (0)
