// edbgen: writes an Exchange store database (.edb) and its manifest from a scenario file
// or a deterministic --scale generator. Test tooling, not product.
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <system_error>

#include "edbgen/exchange_columns.hpp"
#include "edbgen/exchange_store.hpp"
#include "edbgen/manifest_build.hpp"
#include "edbgen/scale_generator.hpp"
#include "edbgen/scenario_parse.hpp"

namespace fs = std::filesystem;
using namespace edbgen;

namespace {

constexpr const char* kUsage =
    "usage: edbgen --exchange 2007|2010|2013 [--public] (--scenario FILE.json | --scale N) "
    "[--big-mailbox PERCENT] [--page-size N] --out STORE.edb";

class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct Arguments {
  std::optional<Generation> generation;
  bool is_public = false;
  std::optional<fs::path> scenario;
  std::optional<uint64_t> scale;
  unsigned big_mailbox_percent = 0;
  uint32_t page_size = 0;
  std::optional<fs::path> out;
};

uint64_t parse_number(const std::string& option, const std::string& text) {
  if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos || text.size() > 12)
    throw UsageError(option + " needs a number, not \"" + text + "\"");
  return std::stoull(text);
}

Arguments parse_arguments(int argc, char** argv) {
  Arguments a;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) throw UsageError(arg + " needs a value");
      return argv[++i];
    };
    if (arg == "--exchange") {
      const std::string v = value();
      if (v == "2007" || v == "2003") a.generation = Generation::Ex2007;
      else if (v == "2010") a.generation = Generation::Ex2010;
      else if (v == "2013") a.generation = Generation::Ex2013;
      else throw UsageError("unknown layout \"" + v + "\" (use --exchange 2007, 2010 or 2013)");
    } else if (arg == "--public") {
      a.is_public = true;
    } else if (arg == "--scenario") {
      a.scenario = fs::path(value());
    } else if (arg == "--scale") {
      a.scale = parse_number(arg, value());
      if (*a.scale == 0 || *a.scale > 50'000'000) throw UsageError("--scale takes 1 to 50000000 messages");
    } else if (arg == "--big-mailbox") {
      const uint64_t p = parse_number(arg, value());
      if (p == 0 || p > 99) throw UsageError("--big-mailbox takes a percentage from 1 to 99");
      a.big_mailbox_percent = static_cast<unsigned>(p);
    } else if (arg == "--page-size") {
      const uint64_t p = parse_number(arg, value());
      if (p != 4096 && p != 8192 && p != 16384 && p != 32768)
        throw UsageError("--page-size must be 4096, 8192, 16384 or 32768");
      a.page_size = static_cast<uint32_t>(p);
    } else if (arg == "--out") {
      a.out = fs::path(value());
    } else {
      throw UsageError("unknown option \"" + arg + "\"");
    }
  }
  if (!a.generation) throw UsageError("--exchange is required");
  if (a.scenario.has_value() == a.scale.has_value())
    throw UsageError("give exactly one of --scenario and --scale");
  if (a.big_mailbox_percent && (!a.scale || a.is_public))
    throw UsageError("--big-mailbox needs --scale and a private store");
  if (!a.out || a.out->empty()) throw UsageError("--out is required");
  if (a.out->filename().empty()) throw UsageError("--out must name a file");
  return a;
}

// Writes `text` to `target` through a temporary file beside it, renamed when complete.
void write_file_atomically(const fs::path& target, const std::string& text) {
  fs::path temp = target;
  temp += ".tmp-edbgen";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out) throw std::runtime_error("cannot write " + target.string());
    out << text;
    out.close();
    if (!out) {
      std::error_code ignored;
      fs::remove(temp, ignored);
      throw std::runtime_error("cannot write " + target.string());
    }
  }
  std::error_code ec;
  fs::rename(temp, target, ec);
  if (ec) {
    fs::remove(temp, ec);
    throw std::runtime_error("cannot write " + target.string());
  }
}

int run(const Arguments& a) {
  StoreOptions options;
  options.generation = *a.generation;
  options.is_public = a.is_public;
  options.page_size = a.page_size;
  const WriterOptions wo = writer_options(options);
  ManifestHeader header{options.generation, options.is_public, wo.page_size, wo.format_version,
                        wo.format_revision};

  const fs::path out = *a.out;
  const fs::path manifest_file = manifest_path(out);
  const fs::path dir = out.has_parent_path() ? out.parent_path() : fs::path(".");
  if (!fs::is_directory(dir))
    throw std::runtime_error("cannot write " + out.string() + ": " + dir.string() +
                             " is not a directory");

  // The scenario is read and checked before anything is written.
  std::optional<Scenario> scenario;
  if (a.scenario) {
    scenario = load_scenario(*a.scenario);
    if (a.is_public && scenario->public_folders.empty())
      throw ScenarioError(a.scenario->string() + ": --public needs \"public_folders\"");
    if (!a.is_public && scenario->mailboxes.empty())
      throw ScenarioError(a.scenario->string() + ": a private store needs \"mailboxes\"");
    assign_identifiers(*scenario);
  }
  nlohmann::json manifest;
  {
    DatabaseWriter db(out, wo);
    auto filler = make_store_filler(db, options);
    if (scenario) {
      manifest = scenario_manifest(header, *scenario);
      fill_scenario(*filler, *scenario);
    } else {
      manifest = write_scale_store(*filler, header, *a.scale, a.big_mailbox_percent);
    }
    db.finish();
  }
  try {
    write_file_atomically(manifest_file, manifest.dump(1) + "\n");
  } catch (const std::runtime_error&) {
    std::error_code ignored;
    fs::remove(out, ignored);  // a store without its manifest is no fixture
    throw;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return run(parse_arguments(argc, argv));
  } catch (const UsageError& e) {
    std::fprintf(stderr, "edbgen: %s; %s\n", e.what(), kUsage);
  } catch (const std::exception& e) {
    std::string what = e.what();
    for (char& c : what)
      if (c == '\n' || c == '\r') c = ' ';
    std::fprintf(stderr, "edbgen: %s\n", what.c_str());
  }
  return 1;
}
