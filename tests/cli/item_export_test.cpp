// The export of items and the other formats, end to end: the items scenario of each store
// generation exported as MBOX, Maildir and EML, read back by Python's vobject, icalendar,
// mailbox and email and by Dovecot, against the preview; and the kinds left out.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "cli_support.hpp"
#include "support/test_support.hpp"

namespace quorvine::cli {
namespace {

namespace fs = std::filesystem;
using quorvine::testing::run_command;
using quorvine::testing::ScratchDir;
using cli_test::quote;

std::vector<fs::path> files_under(const fs::path& root, const std::string& extension = "") {
  std::vector<fs::path> files;
  for (const auto& entry : fs::recursive_directory_iterator(root))
    if (entry.is_regular_file() && (extension.empty() || entry.path().extension() == extension))
      files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  return files;
}

class ItemExport : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    const fs::path scenario = quorvine::testing::source_dir() / "tests" / "data" / "items.json";
    store_ = dir_ / "items.edb";
    auto made = run_command(quote(quorvine::testing::edbgen_program().string()) + " --exchange " + GetParam() +
                            " --scenario " + quote(scenario.string()) + " --out " + quote(store_.string()) + " 2>&1");
    ASSERT_EQ(made.status, 0) << made.out;
  }

  // Runs the export into a fresh folder `name`; returns the summary it printed.
  std::string export_as(const std::string& name, const std::string& options) {
    auto result = run_command(quote(quorvine::testing::quorvine_program().string()) + " export " +
                              quote(store_.string()) + " --out " + quote((dir_ / name).string()) + " " + options +
                              " 2>&1");
    EXPECT_EQ(result.status, 0) << result.out;
    return result.out;
  }

  ScratchDir dir_;
  fs::path store_;
};

TEST_P(ItemExport, ReadersAgreeWithThePreview) {
  const std::string summary = export_as("mbox", "--jobs 2");
  for (const char* line : {"written: 3 contacts", "written: 1 distribution lists", "written: 4 appointments",
                           "written: 2 tasks", "written: 2 notes and journal entries",
                           "recurring: 1 items written as their first occurrence"})
    EXPECT_NE(summary.find(line), std::string::npos) << line << " missing from\n" << summary;
  export_as("maildir", "--format maildir");
  export_as("eml", "--format eml");

  const fs::path script = quorvine::testing::source_dir() / "tests" / "export" / "verify_items.py";
  fs::create_directories(dir_ / "work");
  auto verified = run_command("/usr/bin/python3 " + quote(script.string()) + " " +
                              quote(quorvine::testing::quorvine_program().string()) + " " + quote(store_.string()) +
                              " " + quote((quorvine::testing::source_dir() / "tests/data/items.json").string()) +
                              " " + quote((dir_ / "mbox").string()) + " " + quote((dir_ / "maildir").string()) + " " +
                              quote((dir_ / "eml").string()) + " " + quote((dir_ / "work").string()) + " 2>&1");
  EXPECT_EQ(verified.status, 0) << verified.out;
}

TEST_P(ItemExport, KindsLeftOutAreCounted) {
  const std::string summary = export_as("mail", "--items mail,tasks");
  EXPECT_NE(summary.find("skipped: 4 messages, contacts items were not asked for"), std::string::npos) << summary;
  EXPECT_NE(summary.find("skipped: 4 messages, calendar items were not asked for"), std::string::npos) << summary;
  EXPECT_NE(summary.find("written: 2 tasks"), std::string::npos) << summary;
  EXPECT_EQ(files_under(dir_ / "mail", ".vcf").size(), 0u);
  EXPECT_EQ(files_under(dir_ / "mail", ".ics").size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Generations, ItemExport, ::testing::Values("2007", "2010"));

}  // namespace
}  // namespace quorvine::cli
