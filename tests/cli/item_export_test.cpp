// The export of items and the other formats, end to end: the items scenario of each store
// generation exported as MBOX, Maildir (with one and with three jobs) and EML; every
// iCalendar file parsed by libical, every EML file by GMime, and everything read back by
// Python's vobject, icalendar, mailbox and email and by Dovecot, against the preview.
#include <fcntl.h>
#include <gmime/gmime.h>
#include <gtest/gtest.h>
#include <libical/ical.h>

#include <algorithm>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "support/test_support.hpp"

namespace quorvine::cli {
namespace {

namespace fs = std::filesystem;
using quorvine::testing::read_file;
using quorvine::testing::run_command;
using quorvine::testing::ScratchDir;

std::string quoted(const std::string& text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

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
    auto made = run_command(quoted(quorvine::testing::edbgen_program().string()) + " --exchange " + GetParam() +
                            " --scenario " + quoted(scenario.string()) + " --out " + quoted(store_.string()) + " 2>&1");
    ASSERT_EQ(made.status, 0) << made.out;
  }

  // Runs the export into a fresh folder `name`; returns the summary it printed.
  std::string export_as(const std::string& name, const std::string& options) {
    auto result = run_command(quoted(quorvine::testing::quorvine_program().string()) + " export " +
                              quoted(store_.string()) + " --out " + quoted((dir_ / name).string()) + " " + options +
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
  export_as("maildir", "--format maildir --jobs 1");
  export_as("maildir3", "--format maildir --jobs 3");
  export_as("eml", "--format eml");

  // The same names and bytes whatever the number of jobs.
  const auto one = files_under(dir_ / "maildir"), three = files_under(dir_ / "maildir3");
  ASSERT_EQ(one.size(), three.size());
  for (size_t i = 0; i < one.size(); ++i) {
    EXPECT_EQ(fs::relative(one[i], dir_ / "maildir"), fs::relative(three[i], dir_ / "maildir3"));
    EXPECT_EQ(read_file(one[i]), read_file(three[i])) << one[i];
  }

  // libical's parser finds no error in any calendar, and every item in them.
  size_t entries = 0;
  for (const fs::path& ics : files_under(dir_ / "mbox", ".ics")) {
    const std::string text = read_file(ics);
    icalcomponent* calendar = icalparser_parse_string(text.c_str());
    ASSERT_NE(calendar, nullptr) << ics;
    EXPECT_EQ(icalcomponent_count_errors(calendar), 0) << ics;
    for (auto kind : {ICAL_VEVENT_COMPONENT, ICAL_VTODO_COMPONENT, ICAL_VJOURNAL_COMPONENT})
      entries += static_cast<size_t>(icalcomponent_count_components(calendar, kind));
    icalcomponent_free(calendar);
  }
  EXPECT_EQ(entries, 8u);

  // Cards: no line longer than 75 octets.
  for (const fs::path& vcf : files_under(dir_ / "mbox", ".vcf")) {
    std::istringstream lines(read_file(vcf));
    for (std::string line; std::getline(lines, line);) EXPECT_LE(line.size(), 76u) << vcf << ": " << line;
  }

  // GMime parses every EML file as a message with its subject; two of them share a name
  // but for " (2)".
  static std::once_flag once;
  std::call_once(once, [] { g_mime_init(); });
  const auto emls = files_under(dir_ / "eml", ".eml");
  EXPECT_EQ(emls.size(), 4u);
  for (const fs::path& eml : emls) {
    GMimeStream* stream = g_mime_stream_fs_open(eml.c_str(), O_RDONLY, 0, nullptr);
    ASSERT_NE(stream, nullptr);
    GMimeParser* parser = g_mime_parser_new_with_stream(stream);
    GMimeMessage* message = g_mime_parser_construct_message(parser, nullptr);
    ASSERT_NE(message, nullptr) << eml;
    EXPECT_NE(g_mime_message_get_subject(message), nullptr) << eml;
    g_object_unref(message);
    g_object_unref(parser);
    g_object_unref(stream);
  }
  EXPECT_TRUE(std::any_of(emls.begin(), emls.end(), [](const fs::path& p) {
    return p.filename() == "2012-05-03 091011 Twice_ same_name_ (2).eml";
  }));

  const fs::path script = quorvine::testing::source_dir() / "tests" / "export" / "verify_items.py";
  fs::create_directories(dir_ / "work");
  auto verified = run_command("/usr/bin/python3 " + quoted(script.string()) + " " +
                              quoted(quorvine::testing::quorvine_program().string()) + " " + quoted(store_.string()) +
                              " " + quoted((quorvine::testing::source_dir() / "tests/data/items.json").string()) +
                              " " + quoted((dir_ / "mbox").string()) + " " + quoted((dir_ / "maildir").string()) + " " +
                              quoted((dir_ / "eml").string()) + " " + quoted((dir_ / "work").string()) + " 2>&1");
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
