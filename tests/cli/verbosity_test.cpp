// --quiet and --verbose: a clean run with --quiet says nothing on stderr, errors still show,
// and the two together are a usage error.
#include <gtest/gtest.h>

#include "cli_support.hpp"
#include "support/test_support.hpp"

using quorvine::testing::CommandResult;
using quorvine::testing::ScratchDir;
using namespace cli_test;

TEST(Verbosity, QuietCleanRunsWriteNothingOnStderr) {
  ScratchDir dir;
  const auto store = make_store(dir, "basic2007", "2007");
  const std::string s = quote(store);
  for (const std::string args : {"scan " + s, "scan --json " + s, "list " + s + " --folder 'Alice Smith/Inbox'",
                                 "show " + s + " --folder 'Alice Smith/Inbox' --row 1 --out " + quote(dir / "page"),
                                 "export " + s + " --out " + quote(dir / "out")}) {
    const CommandResult plain = run_quorvine(dir, args);
    ASSERT_EQ(plain.status, 0) << args << "\n" << stderr_of(dir);
    EXPECT_NE(stderr_of(dir), "") << args << ": a plain run says which generation it picked";
    const CommandResult quiet = run_quorvine(dir, args + " --quiet");
    EXPECT_EQ(quiet.status, 0) << args;
    EXPECT_EQ(stderr_of(dir), "") << args;
    if (!args.starts_with("export")) EXPECT_EQ(quiet.out, plain.out) << args << ": the result stays";
  }
}

TEST(Verbosity, QuietStillReportsErrorsAndExcludesVerbose) {
  ScratchDir dir;
  quorvine::testing::write_file(dir / "notes.edb", "not a database\n");
  const CommandResult broken = run_quorvine(dir, "scan --quiet " + quote(dir / "notes.edb"));
  EXPECT_EQ(broken.status, 2);
  EXPECT_NE(stderr_of(dir).find("Unable to Recover Exchange Database"), std::string::npos) << stderr_of(dir);

  for (const std::string command : {"scan a.edb", "list a.edb --folder x", "show a.edb --folder x --row 1",
                                    "export a.edb --out o"}) {
    const CommandResult both = run_quorvine(dir, command + " --verbose --quiet");
    EXPECT_EQ(both.status, 1) << command;
    EXPECT_NE(stderr_of(dir).find("--verbose and --quiet exclude each other"), std::string::npos) << stderr_of(dir);
  }
}
