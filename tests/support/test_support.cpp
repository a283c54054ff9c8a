#include <fstream>
#include "support/test_support.hpp"

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <stdexcept>
#include <string_view>

namespace fs = std::filesystem;

namespace quorvine::testing {

fs::path source_dir() { return QUORVINE_SOURCE_DIR; }
fs::path binary_dir() { return QUORVINE_BINARY_DIR; }
fs::path edbgen_program() { return binary_dir() / "tools" / "edbgen" / "edbgen"; }
fs::path quorvine_program() { return binary_dir() / "quorvine"; }

fs::path ese_samples_dir() { return source_dir() / "tests" / "data" / "ese-samples"; }

std::optional<std::string> samples_skip_reason() {
  const char* skip = std::getenv("QUORVINE_SKIP_SAMPLES");
  if (skip && std::string_view(skip) == "1")
    return "QUORVINE_SKIP_SAMPLES=1 is set: the tests on real ESE samples do not run";
  return std::nullopt;
}

fs::path ese_sample(const std::string& name) {
  const fs::path dir = ese_samples_dir();
  for (const char* sub : {"readable", "unreadable"}) {
    fs::path plain = dir / sub / name;
    if (fs::exists(plain)) return plain;
    fs::path packed = dir / sub / (name + ".gz");
    if (fs::exists(packed)) {
      fs::path out = binary_dir() / "ese-samples-unpacked" / name;
      if (!fs::exists(out)) {
        fs::create_directories(out.parent_path());
        fs::path part = out;
        part += ".part" + std::to_string(::getpid());
        std::string cmd = "gzip -dc '" + packed.string() + "' > '" + part.string() + "'";
        if (std::system(cmd.c_str()) != 0) throw std::runtime_error("cannot unpack " + packed.string());
        fs::rename(part, out);
      }
      return out;
    }
  }
  throw std::runtime_error("ESE sample " + name + " is missing from " + dir.string() +
                           " (set QUORVINE_SKIP_SAMPLES=1 to skip the sample tests on purpose)");
}

CommandResult run_command(const std::string& command) {
  CommandResult result;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return result;
  std::array<char, 4096> buffer;
  size_t n;
  while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) result.out.append(buffer.data(), n);
  int status = ::pclose(pipe);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

ScratchDir::ScratchDir() {
  std::random_device rd;
  for (int attempt = 0; attempt < 100; ++attempt) {
    fs::path candidate = fs::temp_directory_path() / ("quorvine-test-" + std::to_string(rd()));
    if (fs::create_directory(candidate)) {
      path_ = candidate;
      return;
    }
  }
  throw std::runtime_error("cannot create a scratch folder");
}

ScratchDir::~ScratchDir() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

std::string read_file(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void write_file(const fs::path& file, const std::string& text) { std::ofstream(file, std::ios::binary) << text; }

}  // namespace quorvine::testing
