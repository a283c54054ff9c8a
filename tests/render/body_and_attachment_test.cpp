// The body readers and attachment writers on stores written by edbgen, and their file sinks
// and name rules on their own.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "edbgen/exchange_sha256.hpp"
#include "ese/text.hpp"
#include "listing/message_listing.hpp"
#include "render/attachment_files.hpp"
#include "render/body_readers.hpp"
#include "render/file_sinks.hpp"
#include "render/render_fixture.hpp"
#include "render/safe_file_name.hpp"

namespace quorvine::render {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using render_test::read_file;
using testing::ScratchDir;

std::string sha256(const std::string& text) { return edbgen::sha256_hex(std::vector<uint8_t>(text.begin(), text.end())); }

json mail(const std::string& subject) {
  return {{"subject", subject}, {"sender_name", "Ann Lee"}, {"sender_address", "ann@example.com"},
          {"date", "2011-03-07T14:05:09Z"}};
}

// Plain, HTML and RTF bodies; one message with two attachments of one name and an awkward one.
json scenario() {
  json plain = mail("plain");
  plain["body"] = "Gr\xC3\xBC\xC3\x9F" "e \xE4\xB8\xAD \xF0\x9F\x98\x80\r\nline two\r\n";
  plain["attachments"] = json::array({{{"name", "same.txt"}, {"content", "first"}},
                                      {{"name", "same.txt"}, {"content", "second"}},
                                      {{"name", "../evil\x01name"}, {"size", 70000}}});
  json html = mail("html");
  html["html"] = "<html><head><title>t</title></head><body><script>x()</script><p>Hi</p></body></html>";
  json rtf = mail("rtf");
  rtf["rtf"] = "Line {one}\nZweite \xC3\xBC \xD0\x96";
  json other = mail("other");
  other["attachments"] = json::array({{{"name", "other.bin"}, {"content", "not mine"}}});
  return {{"mailboxes",
           json::array({{{"number", 300},
                         {"display_name", "Ann"},
                         {"folders", json::array({{{"name", "Inbox"},
                                                   {"class", "IPF.Note"},
                                                   {"messages", json::array({plain, html, rtf, other})}}})}}})}};
}

class Store2007 : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto store = render_test::make_store(scenario(), "2007", dir);
    ASSERT_FALSE(store.empty());
    ASSERT_TRUE(render_test::scan_into(store, "2007", dir, session));
    ASSERT_TRUE(session.message_table);
    out = dir / "out";
    fs::create_directories(out);
  }

  // The index entry of the message whose subject column is `subject`.
  const scan::MsgTable* message(const std::string& subject) {
    const auto s70 = session.message_table->column_index("S70");
    for (const auto& m : session.index.messages()) {
      const size_t wanted[] = {*s70};
      const auto record = session.message_table->read_record(m.recordNumber, wanted);
      if (record.text(*s70) == subject) return &m;
    }
    return nullptr;
  }

  BodySelection body_of(const std::string& subject, const BodyOptions& options = {}) {
    const auto* m = message(subject);
    EXPECT_TRUE(m);
    const auto columns = body_columns(*session.message_table);
    return select_body(decode::Generation::V2007, session.message_table->read_record(m->recordNumber), columns, out,
                       options);
  }

  ScratchDir dir;
  scan::ScanSession session;
  fs::path out;
};

TEST_F(Store2007, TextBodyIsWrittenAsUtf8KeepingCharactersAboveFf) {
  const auto body = body_of("plain");
  EXPECT_EQ(body.mail_body_type, 1);
  EXPECT_EQ(body.body.kind, BodyKind::Text);
  EXPECT_EQ(body.body.path.filename(), "textbody.txt");
  EXPECT_EQ(read_file(body.body.path), "Gr\xC3\xBC\xC3\x9F" "e \xE4\xB8\xAD \xF0\x9F\x98\x80\r\nline two\r\n");
  const auto preview = body_of("plain", BodyOptions{true});
  EXPECT_EQ(read_file(preview.body.path).substr(0, 5), "\xEF\xBB\xBFGr");
}

TEST_F(Store2007, HtmlBodyIsKeptAsStoredForExportAndGetsThePolicyForThePreview) {
  const auto stored = body_of("html");
  EXPECT_EQ(stored.mail_body_type, 2);
  EXPECT_EQ(read_file(stored.body.path),
            "<html><head><title>t</title></head><body><script>x()</script><p>Hi</p></body></html>");
  const auto preview = body_of("html", BodyOptions{true});
  EXPECT_EQ(read_file(preview.body.path), "<head>" + std::string(preview_csp_meta) +
                                              "<html><head><title>t</title></head><body><script>x()</script><p>Hi</p></body></html>");
}

TEST_F(Store2007, RtfBodyIsConvertedToItsText) {
  const auto body = body_of("rtf");
  EXPECT_EQ(body.mail_body_type, 1);
  EXPECT_EQ(body.body.kind, BodyKind::Rtf);
  EXPECT_EQ(read_file(body.body.path), "Line {one}\r\nZweite \xC3\xBC \xD0\x96\r\n");
}

TEST_F(Store2007, EveryAttachmentOfTheListIsWrittenWithSafeUniqueNames) {
  const auto* m = message("plain");
  ASSERT_TRUE(m);
  const auto set = save_attachments(session, m->attachmentIds, out);
  ASSERT_EQ(set.files.size(), 3u);
  EXPECT_EQ(set.files[0].name, "same.txt");
  EXPECT_EQ(set.files[1].name, "same.txt");
  EXPECT_EQ(set.files[0].path, out / "same.txt");
  EXPECT_EQ(set.files[1].path, out / "same (2).txt");
  EXPECT_EQ(read_file(set.files[0].path), "first");
  EXPECT_EQ(read_file(set.files[1].path), "second");
  // The scan's index already replaced "/"; the control character goes here.
  EXPECT_EQ(set.files[2].path.parent_path(), out);
  EXPECT_EQ(set.files[2].path.filename(), ".._evil_name");
  EXPECT_EQ(set.files[2].size, 70000u);
  EXPECT_EQ(set.attachment_names, "same.txt;same.txt;.._evil\x01name;");
  EXPECT_EQ(attachment_paths(set), (out / "same.txt").string() + ";" + (out / "same (2).txt").string() + ";" +
                                         set.files[2].path.string() + ";");
}

TEST_F(Store2007, AStopRequestEndsTheAttachmentPass) {
  const auto* m = message("plain");
  ASSERT_TRUE(m);
  std::stop_source stop;
  stop.request_stop();
  ese::PassControl control;
  control.stop = stop.get_token();
  const auto set = save_attachments(session, m->attachmentIds, out, control);
  EXPECT_TRUE(set.stopped);
  EXPECT_TRUE(set.files.empty());
}

TEST(Store2010, BodiesAndAttachmentsThroughTheBodyTable) {
  ScratchDir dir;
  const auto store = render_test::make_store(scenario(), "2010", dir);
  ASSERT_FALSE(store.empty());
  scan::ScanSession session;
  ASSERT_TRUE(render_test::scan_into(store, "2010", dir, session));
  ASSERT_FALSE(session.folders_2010.empty());
  decode::DecodeContext ctx = listing::decode_context_for(session);
  scan::SilentScanObserver quiet;
  listing::ensure_bodies_loaded(session, ctx, session.folders_2010.back().treeItem, quiet);
  const auto& bodies = session.lists2010.cached_bodies;
  ASSERT_EQ(bodies.size(), 4u);
  const fs::path out = dir / "out";
  fs::create_directories(out);

  std::map<std::string, std::string> by_kind;
  size_t attachments = 0;
  for (const auto& entry : bodies) {
    const auto table = session.database->open_table(entry.tableIndex);
    const auto body = select_body(decode::Generation::V2010, table.read_record(entry.recordNumber),
                                  body_columns(table), out, {});
    if (body.body.kind != BodyKind::None) by_kind[std::string(to_string(body.body.kind))] = read_file(body.body.path);
    const auto set = save_attachments_2010(session, entry.attachmentIds, out);
    for (const auto& file : set.files) {
      ++attachments;
      if (file.name == "other.bin") {
        EXPECT_EQ(sha256(read_file(file.path)), sha256("not mine"));
      }
    }
  }
  EXPECT_EQ(attachments, 4u);
  EXPECT_EQ(by_kind.size(), 3u);  // "other" has no body
  EXPECT_EQ(by_kind["text"], "Gr\xC3\xBC\xC3\x9F" "e \xE4\xB8\xAD \xF0\x9F\x98\x80\r\nline two\r\n");
  EXPECT_EQ(by_kind["rtf"], "Line {one}\r\nZweite \xC3\xBC \xD0\x96\r\n");
  EXPECT_NE(by_kind["html"].find("<p>Hi</p>"), std::string::npos);
}

TEST(IdentifierList, WholeEntriesOnlyNeverPartOfANeighbour) {
  const std::string list = "0100000000001234" "01000000000abcde";
  EXPECT_TRUE(identifier_list_holds(list, "100000000001234"));
  EXPECT_TRUE(identifier_list_holds(list, "1000000000abcde"));
  // "1234" occurs, but only as the tail of an entry; so does a run across the two entries.
  EXPECT_FALSE(identifier_list_holds(list, "1234"));
  EXPECT_FALSE(identifier_list_holds(list, "1234010000000"));
  EXPECT_FALSE(identifier_list_holds(list, "00000000001234"));
  EXPECT_FALSE(identifier_list_holds(list, ""));
  // Odd offsets are never entry starts.
  EXPECT_FALSE(identifier_list_holds("0" "1000000000000012" "0", "1000000000000012"));
}

TEST(SafeFileName, SeparatorsControlsDotsAndLength) {
  EXPECT_EQ(safe_file_name("a/b\\c:d?e*f<g>h|i\"j"), "a_b_c_d_e_f_g_h_i_j");
  EXPECT_EQ(safe_file_name(".."), "__");
  EXPECT_EQ(safe_file_name("."), "_");
  EXPECT_EQ(safe_file_name(""), "attachment");
  EXPECT_EQ(safe_file_name("tab\there\x7F"), "tab_here_");
  EXPECT_EQ(safe_file_name("report. "), "report__");
  const std::string long_name = std::string(300, 'x') + ".pdf";
  EXPECT_EQ(safe_file_name(long_name), std::string(251, 'x') + ".pdf");
  // Cut at a character boundary: 200 two-byte letters are 400 bytes.
  std::string umlauts;
  for (int i = 0; i < 200; ++i) umlauts += "\xC3\xA4";
  const std::string cut = safe_file_name(umlauts);
  EXPECT_EQ(cut.size(), 254u);
  EXPECT_EQ(cut.substr(252), "\xC3\xA4");
}

TEST(SafeFileName, UniqueFilesNeverOverwriteAndStayWithinTheLengthLimit) {
  ScratchDir dir;
  textfile::OutputFile file;
  const std::string long_name = std::string(300, 'y') + ".txt";
  const auto first = create_unique_file(dir.path(), long_name, file);
  file.close();
  const auto second = create_unique_file(dir.path(), long_name, file);
  file.close();
  EXPECT_NE(first, second);
  EXPECT_EQ(second.filename().string().size(), 255u);
  EXPECT_EQ(second.filename().string().substr(247), " (2).txt");
}

// Collects what a sink writes.
struct StringSink : ese::ByteSink {
  std::string bytes;
  void write(std::span<const uint8_t> chunk) override { bytes.append(chunk.begin(), chunk.end()); }
};

TEST(Utf8TextSink, Utf16UnitsAndSurrogatePairsSplitAcrossChunks) {
  StringSink out;
  Utf8TextSink sink(out, 1200);
  const uint8_t text[] = {'A', 0, 0, 0, 0x3D, 0xD8, 0x00, 0xDE, 0xE9, 0};
  for (uint8_t b : text) sink.write(std::span(&b, 1));  // one byte at a time
  sink.finish();
  EXPECT_EQ(out.bytes, "A\xF0\x9F\x98\x80\xC3\xA9");
  Utf8TextSink lone(out, 1200);
  out.bytes.clear();
  const uint8_t half[] = {0x3D, 0xD8, 'b', 0, 0x41};
  lone.write(half);
  lone.finish();
  EXPECT_EQ(out.bytes, "\xEF\xBF\xBD" "b" "\xEF\xBF\xBD");
}

// However a text is cut into chunks, the sink gives what the whole-value decoder gives, NUL
// units left out.
TEST(Utf8TextSink, ChunkedWritesMatchTheWholeValueDecoder) {
  const uint16_t units[] = {'a', 'Z', 0, 0x7F, 0x80, 0xE9, 0x7FF, 0x800, 0x20AC, 0xFFFF, 0xD83D, 0xDE00, 0xDBFF, 0xDC00};
  std::mt19937 random(7);
  for (int round = 0; round < 200; ++round) {
    std::vector<uint8_t> text;
    for (int n = std::uniform_int_distribution(0, 60)(random); n > 0; --n) {
      // Mostly letters, as a body is, so that runs of them come up.
      const uint16_t unit = random() % 4 ? static_cast<uint16_t>('a' + random() % 26)
                                         : units[std::uniform_int_distribution<size_t>(0, std::size(units) - 1)(random)];
      text.push_back(static_cast<uint8_t>(unit));
      text.push_back(static_cast<uint8_t>(unit >> 8));
    }
    StringSink out;
    Utf8TextSink sink(out, 1200);
    for (size_t at = 0; at < text.size();) {
      const size_t size = std::min(text.size() - at, std::uniform_int_distribution<size_t>(0, 40)(random));
      sink.write(std::span(text).subspan(at, size));
      at += size;
    }
    sink.finish();
    std::string expected = ese::utf16le_to_utf8(text);
    std::erase(expected, '\0');
    EXPECT_EQ(out.bytes, expected) << "round " << round;
  }
}

std::string through_csp_sink(std::string_view html, size_t chunk) {
  StringSink out;
  CspHtmlSink sink(out);
  for (size_t at = 0; at < html.size(); at += chunk)
    sink.write(std::span(reinterpret_cast<const uint8_t*>(html.data() + at), std::min(chunk, html.size() - at)));
  sink.finish();
  return out.bytes;
}

TEST(CspHtmlSink, PolicyComesAfterOnlyByteOrderMarkWhiteSpaceAndDoctypeWhereverTheChunksSplit) {
  const std::string policy = "<head>" + std::string(preview_csp_meta);
  const std::string doctype = "\xEF\xBB\xBF \n<!DOCTYPE html PUBLIC \"-//W3C//DTD HTML 4.01//EN\">";
  const std::string rest = "<HTML lang=en><Head data-x='1'><title>x</title></head><body>b</body></HTML>";
  for (size_t chunk : {size_t{1}, size_t{2}, size_t{5}, size_t{4096}}) {
    EXPECT_EQ(through_csp_sink(doctype + rest, chunk), doctype + policy + rest) << chunk;
    EXPECT_EQ(through_csp_sink(rest, chunk), policy + rest) << chunk;
    EXPECT_EQ(through_csp_sink("<p>x<header>", chunk), policy + "<p>x<header>") << chunk;
  }
  EXPECT_EQ(through_csp_sink("", 1), policy);
  EXPECT_EQ(through_csp_sink("<!doc", 1), policy + "<!doc");  // never completed: still first
}

// A "<head" that is not the head start tag must not decide where the policy goes: it would
// land inside a comment or an attribute, or after a script that already ran.
TEST(CspHtmlSink, MarkupBeforeOrAroundAHeadTagCannotComeFirst) {
  const std::string policy = "<head>" + std::string(preview_csp_meta);
  for (std::string html : {"<html><!-- <head> --><script>x()</script><body>b</body></html>",
                           "<html title='<head>'><script>x()</script><body>b</body></html>",
                           "<html><script>x()</script><head></head><body>b</body></html>",
                           "<body onload='x()'><head></head></body>"}) {
    EXPECT_EQ(through_csp_sink(html, 3), policy + html);
  }
}

// The policy cannot stop a refresh pragma from leaving the page for a remote one.
TEST(CspHtmlSink, RefreshPragmasLoseTheirHttpEquivAndCharsetPragmasKeepIt) {
  const std::string policy = "<head>" + std::string(preview_csp_meta);
  const std::string charset = "<META HTTP-EQUIV=\"Content-Type\" content=\"text/html; charset=windows-1252\">";
  const std::string html = "<html><head>" + charset +
                           "<meta content='0;url=http://x/?a>b' HTTP-Equiv='REFRESH'>"
                           "<meta http-equiv=\"&#114;efresh\" content=\"0;url=http://x/\"></head><body>http-equiv</body>";
  const std::string defused = "<html><head>" + charset +
                              "<meta content='0;url=http://x/?a>b' data-x-equiv='REFRESH'>"
                              "<meta data-x-equiv=\"&#114;efresh\" content=\"0;url=http://x/\"></head><body>http-equiv</body>";
  for (size_t chunk : {size_t{1}, size_t{3}, size_t{4096}}) EXPECT_EQ(through_csp_sink(html, chunk), policy + defused) << chunk;
  // A meta tag that never ends within the hold limit loses its http-equiv all the same.
  const std::string endless = "<p><meta content=\"" + std::string(100000, 'x') + "\" http-equiv=refresh";
  const std::string out = through_csp_sink(endless, 4096);
  EXPECT_EQ(out.find("http-equiv", policy.size()), std::string::npos);
  EXPECT_NE(out.find("data-x-equiv=refresh"), std::string::npos);
  EXPECT_EQ(out.size(), policy.size() + endless.size() + 2);
}

TEST(HtmlEscape, MarkupCharactersBecomeReferences) {
  EXPECT_EQ(html_escape("<a href=\"x\">'&'</a>"), "&lt;a href=&quot;x&quot;&gt;&#39;&amp;&#39;&lt;/a&gt;");
}

}  // namespace
}  // namespace quorvine::render
