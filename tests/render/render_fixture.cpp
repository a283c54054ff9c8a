#include "render/render_fixture.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "scan/scan_driver.hpp"

namespace render_test {

namespace fs = std::filesystem;

fs::path make_store(const nlohmann::json& scenario, const std::string& exchange,
                    const quorvine::testing::ScratchDir& dir, const std::string& flags) {
  const fs::path file = dir / "scenario.json";
  std::ofstream(file) << scenario.dump();
  const fs::path store = dir / ("store" + exchange + ".edb");
  const auto made = quorvine::testing::run_command("'" + quorvine::testing::edbgen_program().string() +
                                                   "' --exchange " + exchange + " " + flags + " --scenario '" +
                                                   file.string() + "' --out '" + store.string() + "' 2>&1");
  EXPECT_EQ(made.status, 0) << made.out;
  return made.status == 0 ? store : fs::path();
}

bool scan_into(const fs::path& store, const std::string& exchange, const quorvine::testing::ScratchDir& dir,
               quorvine::scan::ScanSession& session) {
  session.settings.database_file = store;
  session.settings.generation = *quorvine::decode::parse_generation(exchange);
  session.settings.work_folder = dir / "work";
  session.settings.temp_folder = dir / "temp";
  fs::create_directories(session.settings.work_folder);
  fs::create_directories(session.settings.temp_folder);
  quorvine::scan::SilentScanObserver quiet;
  quorvine::scan::scan_store(session, quiet);
  EXPECT_EQ(session.outcome, quorvine::scan::ScanOutcome::Completed) << session.failure_reason;
  return session.outcome == quorvine::scan::ScanOutcome::Completed;
}

std::string read_file(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace render_test
