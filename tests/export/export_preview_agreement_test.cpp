// The export against the preview: every mail message of every test store, exported and
// parsed back by GMime, must say what the preview of its row says (sender, recipients,
// subject, date to the second, body text, attachment names and digests). And the messages
// the fidelity scenario was written for keep what the preview cannot show.
#include <fcntl.h>
#include <gmime/gmime.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <time.h>

#include <algorithm>
#include <map>
#include <set>
#include <tuple>

#include "decode/date_text.hpp"
#include "edbgen/exchange_sha256.hpp"
#include "export/mail_addresses.hpp"
#include "export/mailbox_export.hpp"
#include "export_test_support.hpp"
#include "listing/message_listing.hpp"
#include "render/message_preview.hpp"

namespace quorvine::exporting {
namespace {

namespace fs = std::filesystem;
using quorvine::testing::ScratchDir;

std::string digest(std::string_view bytes) {
  edbgen::Sha256 hash;
  hash.update(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  return hash.hex_digest();
}

std::string lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

// Body text compared without line-end and trailing-blank differences, and without what only
// a preview file carries: a byte-order mark, or the content security policy before the HTML.
std::string normalised(std::string text) {
  if (text.starts_with("\xEF\xBB\xBF")) text.erase(0, 3);
  if (text.starts_with("<head><meta http-equiv=\"Content-Security-Policy\"")) text.erase(0, text.find('>', 6) + 1);
  std::erase(text, '\r');
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ' || text.back() == '\0')) text.pop_back();
  return text;
}

struct Exported {
  std::vector<MailAddress> from, to, cc;  // a group (a sender by name alone) has no address
  std::string subject;
  std::optional<int64_t> date;  // seconds since 1970
  std::optional<std::string> plain, html;
  std::multiset<std::pair<std::string, std::string>> attachments;  // name, SHA-256
  std::map<std::string, std::string> content_types;                // attachment name -> type
  std::map<std::string, std::string> headers;                      // lower-case name -> value
};

std::vector<MailAddress> mailboxes(InternetAddressList* list) {
  std::vector<MailAddress> out;
  for (int i = 0; list && i < internet_address_list_length(list); ++i) {
    InternetAddress* a = internet_address_list_get_address(list, i);
    const char* name = internet_address_get_name(a);
    out.push_back({name ? name : "", INTERNET_ADDRESS_IS_MAILBOX(a)
                                          ? internet_address_mailbox_get_addr(INTERNET_ADDRESS_MAILBOX(a)) : ""});
  }
  return out;
}

Exported read_message(GMimeMessage* message) {
  Exported out;
  out.from = mailboxes(g_mime_message_get_from(message));
  out.to = mailboxes(g_mime_message_get_to(message));
  out.cc = mailboxes(g_mime_message_get_cc(message));
  out.subject = g_mime_message_get_subject(message) ? g_mime_message_get_subject(message) : "";
  if (GDateTime* date = g_mime_message_get_date(message)) out.date = g_date_time_to_unix(date);
  GMimeHeaderList* headers = g_mime_object_get_header_list(GMIME_OBJECT(message));
  for (int i = 0; i < g_mime_header_list_get_count(headers); ++i) {
    GMimeHeader* h = g_mime_header_list_get_header_at(headers, i);
    out.headers[lower(g_mime_header_get_name(h))] = g_mime_header_get_value(h) ? g_mime_header_get_value(h) : "";
  }
  GMimePartIter* iter = g_mime_part_iter_new(GMIME_OBJECT(message));
  do {
    GMimeObject* current = g_mime_part_iter_get_current(iter);
    if (!current || !GMIME_IS_PART(current)) continue;
    GMimePart* part = GMIME_PART(current);
    GMimeContentType* type = g_mime_object_get_content_type(current);
    if (g_mime_part_is_attachment(part)) {
      const std::string name = g_mime_part_get_filename(part) ? g_mime_part_get_filename(part) : "";
      out.attachments.insert({name, digest(part_text(part))});
      char* mime = g_mime_content_type_get_mime_type(type);
      out.content_types[name] = mime;
      g_free(mime);
    } else if (g_mime_content_type_is_type(type, "text", "plain") && !out.plain) {
      out.plain = part_text(part);
    } else if (g_mime_content_type_is_type(type, "text", "html") && !out.html) {
      out.html = part_text(part);
    }
  } while (g_mime_part_iter_next(iter));
  g_mime_part_iter_free(iter);
  return out;
}

std::vector<Exported> read_mbox(const fs::path& file) {
  std::vector<Exported> messages;
  GMimeStream* stream = g_mime_stream_fs_open(file.c_str(), O_RDONLY, 0, nullptr);
  if (!stream) return messages;
  GMimeParser* parser = g_mime_parser_new_with_stream(stream);
  g_mime_parser_set_format(parser, GMIME_FORMAT_MBOX);
  while (!g_mime_parser_eos(parser)) {
    GMimeMessage* message = g_mime_parser_construct_message(parser, nullptr);
    if (!message) break;
    messages.push_back(read_message(message));
    g_object_unref(message);
  }
  g_object_unref(parser);
  g_object_unref(stream);
  return messages;
}

// The addresses, lower case, of a list's display text ("Name[a@b]", "a@b,c@d,") or of a
// parsed list.
std::set<std::string> addresses_of(const std::string& text) {
  std::set<std::string> found;
  std::string word;
  for (char c : text + ",") {
    if (std::string_view(",;[]<> \t").find(c) == std::string_view::npos) {
      word += c;
      continue;
    }
    if (word.find('@') != std::string::npos) found.insert(lower(word));
    word.clear();
  }
  return found;
}
std::set<std::string> addresses_of(const std::vector<MailAddress>& list) {
  std::string text;
  for (const MailAddress& m : list) text += m.address + ",";
  return addresses_of(text);
}

std::string field(const render::PreviewResult& preview, std::string_view label) {
  for (const auto& f : preview.fields)
    if (f.label == label) return f.value;
  return {};
}

// One test store, scanned, with what the export wrote for each folder.
struct ExportedStore {
  ScratchDir dir;
  scan::ScanSession session;
  std::vector<std::pair<scan::TreeItem, fs::path>> folders;  // folder item, its MBOX file
  ExportSummary summary;
};

void export_store(const char* scenario, const char* exchange, bool is_public, ExportedStore& out) {
  initialise_gmime();
  // Local date texts in a known form, so they compare with the exported Date.
  setenv("TZ", "UTC", 1);
  setenv("LC_ALL", "C", 1);
  tzset();
  const fs::path store = out.dir / "store.edb";
  const auto made = quorvine::testing::run_command(
      quorvine::testing::edbgen_program().string() + " --exchange " + exchange + (is_public ? " --public" : "") +
      " --scenario '" + (quorvine::testing::source_dir() / "tests" / "data" / (std::string(scenario) + ".json")).string() +
      "' --out '" + store.string() + "' 2>&1");
  ASSERT_EQ(made.status, 0) << made.out;
  ASSERT_NO_FATAL_FAILURE(scan_store(store, out.dir.path(),
                                     std::string(exchange) == "2007" ? decode::Generation::V2007
                                                                     : decode::Generation::V2010,
                                     out.session));
  std::vector<scan::TreeItem> items;
  for (const auto& f : out.session.folders_2007) items.push_back(f.treeItem);
  for (const auto& f : out.session.folders_2010)
    if (!f.folderName.empty()) items.push_back(f.treeItem);
  std::sort(items.begin(), items.end());
  items.erase(std::unique(items.begin(), items.end()), items.end());
  SilentExportObserver silent;
  for (scan::TreeItem item : items) {
    if (item == scan::root_tree_item) continue;
    SelectedItemsRequest request;
    request.destination = out.dir / "out" / std::to_string(out.folders.size());
    request.folder = item;
    const ExportSummary summary = export_selected_messages(out.session, request, {}, silent);
    if (!summary.refused.empty()) continue;
    out.summary.add(summary);
    for (const auto& entry : fs::recursive_directory_iterator(request.destination))
      if (entry.is_regular_file()) out.folders.emplace_back(item, entry.path());
  }
}

struct StoreCase {
  const char* scenario;
  const char* exchange;
  bool is_public = false;
};

void PrintTo(const StoreCase& c, std::ostream* os) {
  *os << c.scenario << " " << c.exchange << (c.is_public ? " public" : "");
}

class ExportAgreesWithPreview : public ::testing::TestWithParam<StoreCase> {};

TEST_P(ExportAgreesWithPreview, EveryMailMessage) {
  ExportedStore store;
  ASSERT_NO_FATAL_FAILURE(export_store(GetParam().scenario, GetParam().exchange, GetParam().is_public, store));
  const bool is2007 = std::string(GetParam().exchange) == "2007";
  decode::DecodeContext ctx = listing::decode_context_for(store.session);
  scan::SilentScanObserver silent;
  size_t compared = 0;
  for (const auto& [item, mbox] : store.folders) {
    SCOPED_TRACE(mbox.string());
    listing::FolderListing folder_listing = listing::list_folder(store.session, ctx, item, silent);
    listing::ensure_bodies_loaded(store.session, ctx, item, silent);
    std::vector<listing::MessageListRow> mail;
    for (const auto& row : folder_listing.rows)
      if (row.kind == "mail") mail.push_back(row);
    if (!is2007) std::reverse(mail.begin(), mail.end());  // exported in table order
    const std::vector<Exported> messages = read_mbox(mbox);
    ASSERT_EQ(messages.size(), mail.size());
    for (size_t i = 0; i < mail.size(); ++i) {
      const listing::MessageListRow& row = mail[i];
      const Exported& got = messages[i];
      SCOPED_TRACE("\"" + row.subject + "\"");
      const fs::path pages = store.dir / "preview" / std::to_string(compared++);
      fs::create_directories(pages);
      const render::PreviewResult preview = render::preview_message(store.session, ctx, row, folder_listing.body_texts, pages);

      EXPECT_EQ(got.subject, field(preview, "Subject: "));
      // The sender: the addresses the preview shows; a sender shown by name alone (an owner's
      // name, or no address anywhere) is still there, with an address when the store has one.
      const std::string from = field(preview, "From :");
      ASSERT_EQ(got.from.size(), 1u) << from;
      if (!addresses_of(from).empty()) {
        EXPECT_EQ(addresses_of(got.from), addresses_of(from)) << from;
      } else if (got.from[0].address.empty()) {
        EXPECT_EQ(got.from[0].name, from.empty() ? "undisclosed-sender" : from);
      }
      EXPECT_EQ(addresses_of(got.to), addresses_of(field(preview, "To:")));
      if (is2007) {  // the 2010 preview shows no Cc
        EXPECT_EQ(addresses_of(got.cc), addresses_of(field(preview, "Cc: ")));
      }
      const std::string date = field(preview, "Date:");
      ASSERT_EQ(got.date.has_value(), !date.empty()) << date;
      if (got.date) {
        EXPECT_EQ(decode::filetime_local_text(static_cast<uint64_t>(*got.date) * 10000000ULL + 116444736000000000ULL),
                  date);
      }
      // The body the preview shows is one of the message's bodies.
      const std::string shown = normalised(quorvine::testing::read_file(preview.body.body.path));
      const auto& part = preview.body.body.html ? got.html : got.plain;
      if (!shown.empty() || part) {
        ASSERT_TRUE(part.has_value()) << shown;
        EXPECT_EQ(normalised(*part), shown);
      }
      std::multiset<std::pair<std::string, std::string>> written;
      for (const auto& file : preview.attachments.files)
        if (file.error.empty()) written.insert({file.name, digest(quorvine::testing::read_file(file.path))});
      EXPECT_EQ(got.attachments, written);
    }
  }
  EXPECT_GT(compared, 0u);
}

INSTANTIATE_TEST_SUITE_P(Stores, ExportAgreesWithPreview,
                         ::testing::Values(StoreCase{"basic2007", "2007"}, StoreCase{"basic2010", "2010"},
                                           StoreCase{"edge2007", "2007"}, StoreCase{"edge2007", "2010"},
                                           StoreCase{"fidelity", "2007"}, StoreCase{"fidelity", "2010"},
                                           StoreCase{"public", "2007", true}, StoreCase{"public", "2010", true},
                                           StoreCase{"demo", "2007"}, StoreCase{"demo", "2010"}));

// What each message of the fidelity scenario must keep, in both generations.
class FidelityExport : public ::testing::TestWithParam<const char*> {};

TEST_P(FidelityExport, KeepsSendersBodiesHeadersAndTypes) {
  ExportedStore store;
  ASSERT_NO_FATAL_FAILURE(export_store("fidelity", GetParam(), false, store));
  std::map<std::string, Exported> by_subject;
  for (const auto& [item, mbox] : store.folders)
    for (Exported& m : read_mbox(mbox)) by_subject[m.subject] = std::move(m);

  struct Expected {
    const char* subject;
    const char* from_name;
    const char* from_address;  // "" for a sender known by name alone
    int64_t date;
  };
  const Expected table[] = {
      {"Dated by the contents record", "Eli Other", "eli.other@example.com", 1299506709},
      {"No address anywhere", "Gina Noaddress", "", 1299664800},
      {"Sent by the owner", "Dana Owner", "dana@example.com", 1299844800},
      {"Sent by the owner, full record", "Dana Owner", "dana@example.com", 1299931200},
      {"Between two mailboxes", "Dana Owner", "dana@example.com", 1300021200},
  };
  for (const Expected& e : table) {
    SCOPED_TRACE(e.subject);
    ASSERT_TRUE(by_subject.count(e.subject));
    const Exported& m = by_subject[e.subject];
    ASSERT_EQ(m.from.size(), 1u);
    EXPECT_EQ(m.from[0].name, e.from_name);
    EXPECT_EQ(m.from[0].address, e.from_address);
    EXPECT_EQ(m.date, e.date);
  }
  EXPECT_EQ(store.summary.senders_without_address, 1u);

  // Both bodies, whichever the store keeps the text in.
  for (const auto& [subject, text, html] :
       {std::tuple{"Text and HTML", "The plain text of the message.", "<html><body><p>The <b>HTML</b> of the message.</p></body></html>"},
        std::tuple{"RTF and HTML", "The text of the RTF body.", "<html><body>The HTML body.</body></html>"}}) {
    SCOPED_TRACE(subject);
    const Exported& m = by_subject[subject];
    ASSERT_TRUE(m.plain && m.html);
    EXPECT_EQ(normalised(*m.plain), text);
    EXPECT_EQ(normalised(*m.html), html);
  }

  const Exported& m = by_subject["Text and HTML"];
  ASSERT_EQ(m.to.size(), 2u);
  EXPECT_EQ(m.to[0].name, "Carol Case");
  EXPECT_EQ(m.to[0].address, "Carol.Case@Example.COM");
  ASSERT_EQ(m.cc.size(), 1u);
  EXPECT_EQ(m.cc[0].name, "Hal Copy");
  EXPECT_EQ(m.cc[0].address, "Hal.Copy@Example.org");
  for (const auto& [name, value] :
       {std::pair{"received", "from mx.example.net (mx.example.net [192.0.2.7]) by mail.example.com with ESMTP id 4711; "
                              "Tue, 8 Mar 2011 09:29:58 +0000"},
        std::pair{"reply-to", "Frank Ext <frank.reply@example.net>"},
        std::pair{"list-id", "Fidelity list <fidelity.example.net>"}, std::pair{"x-fidelity", "kept as it was"}}) {
    ASSERT_TRUE(m.headers.count(name)) << name;
    // Refolded: the same words with any run of blanks between them.
    std::string unfolded;
    for (char c : m.headers.at(name)) {
      const bool blank = c == ' ' || c == '\t' || c == '\r' || c == '\n';
      if (!blank) unfolded += c;
      else if (!unfolded.empty() && unfolded.back() != ' ') unfolded += ' ';
    }
    EXPECT_EQ(unfolded, value);
  }
  EXPECT_EQ(m.content_types.at("report.pdf"), "application/pdf");
  EXPECT_EQ(m.content_types.at("data.bin"), "application/x-quorvine-test");
  EXPECT_EQ(m.content_types.at("notes.zzqq"), "application/octet-stream");
}

INSTANTIATE_TEST_SUITE_P(Generations, FidelityExport, ::testing::Values("2007", "2010"));

}  // namespace
}  // namespace quorvine::exporting
