// The whole-mailbox export of the items scenario in every output format, in process (so it
// also runs under the sanitizers): the same files for one job and for three, every calendar
// accepted by libical's parser, every EML file and Maildir message by GMime's.
#include <fcntl.h>
#include <gmime/gmime.h>
#include <gtest/gtest.h>
#include <libical/ical.h>

#include <algorithm>
#include <map>
#include <mutex>
#include <sstream>

#include "export/export_test_support.hpp"
#include "export/mailbox_export.hpp"

namespace quorvine::exporting {
namespace {

namespace fs = std::filesystem;
using quorvine::testing::read_file;
using quorvine::testing::ScratchDir;

// Every file below `root` with its bytes, by relative path.
std::map<std::string, std::string> tree(const fs::path& root) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(root))
    if (entry.is_regular_file()) files[fs::relative(entry.path(), root).string()] = read_file(entry.path());
  return files;
}

bool gmime_parses(const std::string& bytes) {
  static std::once_flag once;
  std::call_once(once, [] { g_mime_init(); });
  GMimeStream* stream = g_mime_stream_mem_new_with_buffer(bytes.data(), bytes.size());
  GMimeParser* parser = g_mime_parser_new_with_stream(stream);
  GMimeMessage* message = g_mime_parser_construct_message(parser, nullptr);
  const bool parsed = message && g_mime_message_get_subject(message);
  if (message) g_object_unref(message);
  g_object_unref(parser);
  g_object_unref(stream);
  return parsed;
}

class ItemFiles : public ::testing::TestWithParam<std::pair<const char*, decode::Generation>> {};

TEST_P(ItemFiles, EveryFormatParsesAndIsTheSameForAnyJobs) {
  if (!fs::exists(quorvine::testing::edbgen_program())) GTEST_SKIP() << "edbgen not built";
  ScratchDir dir;
  const fs::path store = dir / "items.edb";
  ASSERT_NO_FATAL_FAILURE(make_store(quorvine::testing::source_dir() / "tests/data/items.json", GetParam().first, store));
  scan::ScanSession session;
  ASSERT_NO_FATAL_FAILURE(scan_store(store, dir.path(), GetParam().second, session));
  MailboxExportRequest request;
  for (scan::TreeItem item = 1; item < session.tree.size(); ++item) request.checked.push_back(item);
  SilentExportObserver silent;

  std::map<OutputFormat, std::map<std::string, std::string>> written;
  for (OutputFormat format : {OutputFormat::Mbox, OutputFormat::Maildir, OutputFormat::Eml}) {
    std::map<std::string, std::string> first;
    for (unsigned jobs : {1u, 3u}) {
      request.format = format;
      request.jobs = jobs;
      request.destination = dir / (std::string(to_string(format)) + std::to_string(jobs));
      const ExportSummary summary = export_mailboxes(session, request, ese::PassControl{}, silent);
      EXPECT_TRUE(summary.failures.empty()) << summary.failures.front();
      EXPECT_EQ(summary.messages_written, 4u);
      EXPECT_EQ(summary.recurring_items, 1u);
      auto files = tree(request.destination);
      if (jobs == 1) first = std::move(files);
      else EXPECT_TRUE(files == first) << to_string(format) << ": three jobs wrote other files than one";
    }
    written[format] = std::move(first);
  }

  size_t entries = 0, cards = 0;
  for (const auto& [name, bytes] : written[OutputFormat::Mbox]) {
    if (name.ends_with(".ics")) {
      icalcomponent* calendar = icalparser_parse_string(bytes.c_str());
      ASSERT_NE(calendar, nullptr) << name;
      EXPECT_EQ(icalcomponent_count_errors(calendar), 0) << name;
      for (auto kind : {ICAL_VEVENT_COMPONENT, ICAL_VTODO_COMPONENT, ICAL_VJOURNAL_COMPONENT})
        entries += static_cast<size_t>(icalcomponent_count_components(calendar, kind));
      icalcomponent_free(calendar);
    }
    if (name.ends_with(".vcf")) {
      std::istringstream lines(bytes);
      for (std::string line; std::getline(lines, line); cards += line == "BEGIN:VCARD\r")
        EXPECT_LE(line.size(), 76u) << name << ": " << line;  // 75 octets and the CR
    }
  }
  EXPECT_EQ(entries, 8u);
  EXPECT_EQ(cards, 4u);

  // One message file each, parsed by GMime; the second of two with one date and subject
  // gets " (2)", and the message the store marks read the seen flag.
  size_t emls = 0, maildir = 0, seen = 0;
  for (const auto& [name, bytes] : written[OutputFormat::Eml])
    if (name.ends_with(".eml")) {
      ++emls;
      EXPECT_TRUE(gmime_parses(bytes)) << name;
    }
  EXPECT_TRUE(written[OutputFormat::Eml].count(
      "QuorvineRec/Ivo Ptak/Inbox/Inbox/2012-05-03 091011 Twice_ same_name_ (2).eml"));
  for (const auto& [name, bytes] : written[OutputFormat::Maildir]) {
    if (name.ends_with(".vcf") || name.ends_with(".ics")) continue;
    ASSERT_NE(name.find("/cur/"), std::string::npos) << name << " is not in cur/";
    ++maildir;
    seen += name.ends_with(":2,S");
    EXPECT_TRUE(gmime_parses(bytes)) << name;
  }
  EXPECT_EQ(emls, 4u);
  EXPECT_EQ(maildir, 4u);
  EXPECT_EQ(seen, 1u);
}

INSTANTIATE_TEST_SUITE_P(Generations, ItemFiles,
                         ::testing::Values(std::pair{"2007", decode::Generation::V2007},
                                           std::pair{"2010", decode::Generation::V2010}),
                         [](const auto& info) { return std::string(info.param.first); });

}  // namespace
}  // namespace quorvine::exporting
