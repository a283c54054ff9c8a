// The real samples travel with the source tree: every one is there, listed and intact, so a
// lost or altered file fails here even when no other test reads it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "support/test_support.hpp"

namespace fs = std::filesystem;

namespace {

TEST(SampleFiles, EveryFileIsListedPresentAndIntact) {
  QUORVINE_REQUIRE_SAMPLES();
  const fs::path dir = quorvine::testing::ese_samples_dir();
  std::ifstream sums(dir / "SHA256SUMS");
  ASSERT_TRUE(sums) << "no SHA256SUMS in " << dir;
  std::set<std::string> listed;
  for (std::string line; std::getline(sums, line);)
    if (line.size() > 66) listed.insert(line.substr(66));
  std::set<std::string> stored;
  for (const char* sub : {"readable", "unreadable"})
    for (const auto& entry : fs::directory_iterator(dir / sub))
      stored.insert(std::string(sub) + "/" + entry.path().filename().string());
  EXPECT_EQ(stored, listed);
  EXPECT_GE(listed.size(), 25u);

  const auto check = quorvine::testing::run_command("cd '" + dir.string() +
                                                    "' && sha256sum --check --strict --quiet SHA256SUMS 2>&1");
  EXPECT_EQ(check.status, 0) << check.out;
}

}  // namespace
