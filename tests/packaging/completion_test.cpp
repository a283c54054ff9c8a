// The bash completion against the program: it offers the commands and exactly the options
// the parser accepts, --exchange values the parser takes, and the right kind of file.
#include <gtest/gtest.h>

#include <filesystem>

#include "packaging_support.hpp"
#include "support/test_support.hpp"

using packaging_test::complete;
using quorvine::testing::ScratchDir;
using Words = std::set<std::string>;

TEST(BashCompletion, OffersEveryCommand) {
  const Words offered = complete({"quorvine", ""});
  for (const auto& command : packaging_test::commands()) EXPECT_TRUE(offered.count(command)) << command;
  EXPECT_EQ(complete({"quorvine", "ex"}), Words{"export"});
}

TEST(BashCompletion, OffersExactlyTheOptionsEachCommandAccepts) {
  for (const auto& command : packaging_test::commands())
    EXPECT_EQ(complete({"quorvine", command, "--folder", "Inbox", "-"}), packaging_test::options_of(command))
        << "quorvine " << command;
}

TEST(BashCompletion, ExchangeValuesAreTheOnesTheParserTakes) {
  const Words offered = complete({"quorvine", "scan", "--exchange", ""});
  for (const char* value : {"auto", "2007", "2010", "2013"}) EXPECT_TRUE(offered.count(value)) << value;
  EXPECT_EQ(complete({"quorvine", "export", "--exchange", "=", "20"}), Words({"2003", "2007", "2010", "2013"}));

  // A value the parser refused would be a usage error (1); a missing store is a failure to open (2).
  ScratchDir dir;
  for (const auto& value : offered) {
    const auto result = quorvine::testing::run_command(
        "XDG_DATA_HOME='" + (dir / "data").string() + "' TMPDIR='" + dir.path().string() + "' '" +
        quorvine::testing::quorvine_program().string() + "' scan '" + (dir / "missing.edb").string() +
        "' --exchange " + value + " 2>&1");
    EXPECT_EQ(result.status, 2) << value << ": " << result.out;
  }
}

TEST(BashCompletion, OffersStoresForStoresAndFoldersForFolders) {
  ScratchDir dir;
  for (const char* name : {"a.edb", "B.EDB", "my store.edb", "notes.txt", "sub/inner.edb"}) {
    std::filesystem::create_directories((dir / name).parent_path());
    quorvine::testing::write_file(dir / name, "");
  }
  const std::string cwd = dir.path().string();
  EXPECT_EQ(complete({"quorvine", "scan", ""}, cwd), Words({"a.edb", "B.EDB", "my store.edb", "sub"}));
  EXPECT_EQ(complete({"quorvine", "export", "a.edb", "--out", ""}, cwd), Words{"sub"});
  EXPECT_EQ(complete({"quorvine", "export", "a.edb", "--out", "=", ""}, cwd), Words{"sub"});
  EXPECT_EQ(complete({"quorvine", "find", ""}, cwd), Words{"sub"});
  EXPECT_EQ(complete({"quorvine", "list", "a.edb", "--folder", ""}, cwd), Words{});
}
