// The MIME composer and the fallback builder read back by GMime's parser; output names and
// the date filter.
#include <fcntl.h>
#include <gmime/gmime.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "export/base64.hpp"
#include "export/date_filter.hpp"
#include "export/eml_folder.hpp"
#include "export/mail_addresses.hpp"
#include "export/mbox_file.hpp"
#include "export/mime_composer.hpp"
#include "export/mime_parts.hpp"
#include "export/output_names.hpp"
#include "export_test_support.hpp"
#include "support/test_support.hpp"

namespace quorvine::exporting {
namespace {

namespace fs = std::filesystem;
using quorvine::testing::ScratchDir;
using quorvine::testing::read_file;


struct Parsed {
  std::string from, to, subject, date, body, attachment_name, attachment;
  int attachments = 0;
};


Parsed parse(const fs::path& file) {
  g_mime_init();
  Parsed out;
  GMimeStream* stream = g_mime_stream_fs_open(file.c_str(), O_RDONLY, 0, nullptr);
  GMimeParser* parser = g_mime_parser_new_with_stream(stream);
  GMimeMessage* message = g_mime_parser_construct_message(parser, nullptr);
  EXPECT_NE(message, nullptr);
  if (!message) return out;
  auto list = [](InternetAddressList* addresses) {
    char* text = internet_address_list_to_string(addresses, nullptr, FALSE);
    std::string value = text ? text : "";
    g_free(text);
    return value;
  };
  out.from = list(g_mime_message_get_from(message));
  out.to = list(g_mime_message_get_to(message));
  out.subject = g_mime_message_get_subject(message) ? g_mime_message_get_subject(message) : "";
  const char* date = g_mime_object_get_header(GMIME_OBJECT(message), "Date");
  out.date = date ? date : "";
  GMimePartIter* iter = g_mime_part_iter_new(GMIME_OBJECT(message));
  do {
    GMimeObject* current = g_mime_part_iter_get_current(iter);
    if (!current || !GMIME_IS_PART(current)) continue;
    GMimePart* part = GMIME_PART(current);
    if (g_mime_part_is_attachment(part)) {
      ++out.attachments;
      out.attachment_name = g_mime_part_get_filename(part) ? g_mime_part_get_filename(part) : "";
      out.attachment = part_text(part);
    } else if (out.body.empty()) {
      out.body = part_text(part);
    }
  } while (g_mime_part_iter_next(iter));
  g_mime_part_iter_free(iter);
  g_object_unref(message);
  g_object_unref(parser);
  g_object_unref(stream);
  return out;
}

CompositionRecord sample() {
  std::string binary(70000, '\0');
  for (size_t i = 0; i < binary.size(); ++i) binary[i] = static_cast<char>(i * 7);
  CompositionRecord r;
  r.body = "Grüße aus Köln\r\nFrom the start of a line\r\n";
  r.body_kind = "txt";
  r.from = {{"Jürgen \"Big\" Groß", "juergen@example.de"}};
  r.to = parse_address_list("anna@example.com,bob@example.org");  // no separator after the last address
  r.subject = "Über Änderungen — Bericht";
  r.filetime = 129439803090000000ULL;
  r.attachments.push_back({"Übersicht.bin", binary, std::nullopt, 0, ""});
  return r;
}

// The message as the export writes it into an EML folder; the path of its file.
fs::path write_eml(const CompositionRecord& r, const fs::path& folder) {
  EmlFolder out(folder);
  out.begin_record({r.filetime, r.subject, false});
  compose_message(r, out, out.line_ends());
  out.end_record();
  return folder / (EmlFolder::base_name({r.filetime, r.subject, false}) + ".eml");
}

TEST(MimeComposer, Utf8HeadersBodyAndAttachmentReadBack) {
  ScratchDir dir;
  const CompositionRecord r = sample();
  const fs::path file = write_eml(r, dir / "eml");
  const std::string raw = read_file(file);
  EXPECT_EQ(raw.find("iso-8859-1"), std::string::npos);
  EXPECT_EQ(raw.find("\nFrom "), std::string::npos);  // no line of the file begins "From "
  const Parsed p = parse(file);
  EXPECT_EQ(p.subject, r.subject);
  EXPECT_NE(p.from.find("juergen@example.de"), std::string::npos);
  EXPECT_NE(p.to.find("anna@example.com"), std::string::npos);
  EXPECT_NE(p.to.find("bob@example.org"), std::string::npos);
  EXPECT_EQ(p.date, "Mon, 07 Mar 2011 14:05:09 +0000");
  EXPECT_EQ(p.attachments, 1);
  EXPECT_EQ(p.attachment_name, "Übersicht.bin");
  EXPECT_EQ(p.attachment, r.attachments[0].bytes);
}

// A message file that cannot be created is an error of the output, and a message taken back
// after composing leaves nothing in the folder.
TEST(MimeComposer, NoMessageFileStaysWhenWritingFailsOrIsTakenBack) {
  ScratchDir dir;
  const CompositionRecord r = sample();
  EmlFolder gone(dir / "gone");
  fs::remove(dir / "gone");
  EXPECT_THROW(gone.begin_record({r.filetime, r.subject, false}), MboxWriteError);
  EXPECT_FALSE(fs::exists(dir / "gone"));

  EmlFolder out(dir / "eml");
  out.begin_record({r.filetime, r.subject, false});
  compose_message(r, out, out.line_ends());
  out.abandon_record();
  EXPECT_TRUE(fs::is_empty(dir / "eml"));
  EXPECT_EQ(out.records(), 0u);
}

// A sink that fails after `limit` bytes, as a full disk does.
class FailingSink final : public ese::ByteSink {
 public:
  explicit FailingSink(size_t limit) : limit_(limit) {}
  void write(std::span<const uint8_t> chunk) override {
    seen_ += chunk.size();
    if (seen_ > limit_) throw MboxWriteError("no space left on device");
  }

 private:
  size_t limit_;
  size_t seen_ = 0;
};

// The sink's own error comes out of the composer unchanged (GMime in between is C code), so
// the export can tell a failed MBOX file from a message that cannot be composed.
TEST(MimeComposer, SinkFailurePassesThroughUnchanged) {
  const CompositionRecord r = sample();
  FailingSink sink(50000);  // halfway through the attachment
  EXPECT_THROW(compose_message(r, sink), MboxWriteError);
}

// Collects what the composer writes.
class StringSink final : public ese::ByteSink {
 public:
  void write(std::span<const uint8_t> chunk) override { text.append(reinterpret_cast<const char*>(chunk.data()), chunk.size()); }
  std::string text;
};

// Attachments are encoded by our own base64 writer: its lines are the ones GMime's encoder
// writes, whatever the pieces the content arrives in.
TEST(Base64Lines, MatchesGMimeLinesForAnySizeAndChunking) {
  g_mime_init();
  for (size_t size : {0, 1, 2, 3, 56, 57, 58, 113, 114, 115, 1000, 5000}) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 31 + 7);
    std::string expected(size * 2 + 16, '\0');
    int state = 0;
    guint32 save = 0;
    expected.resize(g_mime_encoding_base64_encode_close(reinterpret_cast<const unsigned char*>(bytes.data()), size,
                                                        reinterpret_cast<unsigned char*>(expected.data()), &state, &save));
    for (size_t piece : {1, 7, 57, 100, 4096}) {
      StringSink out;
      Base64Lines lines(out, "\n");
      for (size_t at = 0; at < size; at += piece) {
        const size_t n = std::min(piece, size - at);
        lines.write(std::span(reinterpret_cast<const uint8_t*>(bytes.data() + at), n));
      }
      lines.finish();
      EXPECT_EQ(out.text, expected) << size << " bytes in pieces of " << piece;
    }
  }
}

// Attachments of the sizes where base64 lines and padding change read back whole, each in
// its own part, and the message closes its multipart.
TEST(MimeComposer, AttachmentsOfEdgeSizesReadBack) {
  g_mime_init();
  CompositionRecord r = sample();
  r.attachments.clear();
  const std::vector<size_t> sizes = {0, 1, 57, 58};
  for (size_t size : sizes) r.attachments.push_back({"a" + std::to_string(size) + ".bin", std::string(size, 'x'), std::nullopt, 0, ""});
  StringSink out;
  compose_message(r, out);
  EXPECT_TRUE(out.text.ends_with("--\r\n"));
  GMimeStream* stream = g_mime_stream_mem_new_with_buffer(out.text.data(), out.text.size());
  GMimeParser* parser = g_mime_parser_new_with_stream(stream);
  GMimeMessage* message = g_mime_parser_construct_message(parser, nullptr);
  ASSERT_NE(message, nullptr);
  GMimeObject* top = g_mime_message_get_mime_part(message);
  ASSERT_TRUE(GMIME_IS_MULTIPART(top));
  GMimeMultipart* mixed = GMIME_MULTIPART(top);
  ASSERT_EQ(g_mime_multipart_get_count(mixed), static_cast<int>(sizes.size() + 1));
  for (size_t i = 0; i < sizes.size(); ++i) {
    GMimePart* part = GMIME_PART(g_mime_multipart_get_part(mixed, static_cast<int>(i + 1)));
    EXPECT_STREQ(g_mime_part_get_filename(part), r.attachments[i].name.c_str());
    EXPECT_EQ(part_text(part), r.attachments[i].bytes) << r.attachments[i].name;
  }
  EXPECT_EQ(g_mime_multipart_get_epilogue(mixed), nullptr);
  g_object_unref(message);
  g_object_unref(parser);
  g_object_unref(stream);
}

// A body with a line beginning "From " is sent base64 wherever that line falls, also across
// the 4 KiB pieces GMime's own scan read the text in (it missed such lines there).
TEST(MimeComposer, FromLineAnywhereInTheBodyMakesItBase64) {
  for (size_t before : {0, 100, 4090, 4093, 8188}) {
    CompositionRecord r = sample();
    r.attachments.clear();
    r.body = (before ? std::string(before, 'a') + "\r\n" : std::string()) + "From here\r\nplain\r\n";
    StringSink out;
    compose_message(r, out, LineEnds::Lf);
    EXPECT_NE(out.text.find("Content-Transfer-Encoding: base64"), std::string::npos) << before;
    EXPECT_EQ(out.text.find("\nFrom here"), std::string::npos) << before;
  }
}

// The body's transfer encoding, with NULs and 8-bit bytes inside and after whole 8-byte words.
TEST(MimeComposer, TransferEncodingFollowsNulsEightBitBytesAndLineLengths) {
  const std::string e9 = "\xc3\xa9";
  const struct {
    std::string text;
    GMimeContentEncoding expected;
  } cases[] = {
      {"", GMIME_CONTENT_ENCODING_DEFAULT},
      {"plain text\r\nsecond line\r\n", GMIME_CONTENT_ENCODING_DEFAULT},
      {"From x", GMIME_CONTENT_ENCODING_BASE64},
      {"a\nFrom x", GMIME_CONTENT_ENCODING_BASE64},
      {"a From x\n>From y", GMIME_CONTENT_ENCODING_DEFAULT},
      {"a\nFrom", GMIME_CONTENT_ENCODING_DEFAULT},
      {std::string("abcdefg\0", 8), GMIME_CONTENT_ENCODING_BASE64},
      {std::string("abcdefgh\0", 9), GMIME_CONTENT_ENCODING_BASE64},
      {std::string(40, 'a') + e9, GMIME_CONTENT_ENCODING_QUOTEDPRINTABLE},   // 2 of 42 bytes
      {std::string(9, 'a') + e9, GMIME_CONTENT_ENCODING_BASE64},             // 2 of 11
      {std::string(998, 'a'), GMIME_CONTENT_ENCODING_DEFAULT},
      {std::string(999, 'a') + "\n", GMIME_CONTENT_ENCODING_QUOTEDPRINTABLE},
      {std::string(998, 'a') + "\r\n", GMIME_CONTENT_ENCODING_QUOTEDPRINTABLE},  // the CR counts
  };
  for (const auto& c : cases) EXPECT_EQ(text_encoding(c.text), c.expected) << c.text.substr(0, 20);
}

TEST(MailAddresses, ListAndHeaderForms) {
  EXPECT_EQ(parse_address_list("A<a@x.org>,[b@y.org],c@z.org").size(), 3u);
  EXPECT_TRUE(parse_address_list("Alice Smith").empty());
  // Names, case and encoded words as the header writes them; group members one by one.
  EXPECT_EQ(parse_header_addresses("\"Case, Carol\" <Carol.Case@Example.COM>, =?UTF-8?B?w6k=?= <e@x.org>, team: t@y.org;"),
            (std::vector<MailAddress>{{"Case, Carol", "Carol.Case@Example.COM"}, {"é", "e@x.org"}, {"", "t@y.org"}}));
}

TEST(OutputNames, MailboxAndFolderNames) {
  EXPECT_EQ(mailbox_directory_name("Sales: West/East*?<>|\"\\"), "Sales_ West_East_______");
  EXPECT_EQ(safe_component(".."), "_");
  EXPECT_EQ(safe_component(""), "_");
  EXPECT_EQ(safe_component("a/b\x01"), "a_b_");
  EXPECT_EQ(folder_directory_components({"Deleted Items", "Old Deleted Items"}, true),
            (std::vector<std::string>{"Deleted-Items", "Old Deleted-Items"}));
  EXPECT_EQ(folder_directory_components({"Deleted Items"}, false), (std::vector<std::string>{"Deleted Items"}));
  EXPECT_LE(safe_component(std::string(400, 'x')).size(), 255u);
}

TEST(DateFilter, BoundsAreInclusiveWithTheTimeOfDay) {
  const auto from = parse_filter_date("2011-03-07T14:05:09", false);
  const auto to = parse_filter_date("2011-03-09", true);
  ASSERT_TRUE(from && to);
  const std::optional<DateRange> range = DateRange{*from, *to};
  constexpr uint64_t kSecond = 10000000ULL;
  const uint64_t at_from = 129439803090000000ULL;
  EXPECT_TRUE(passes_filter(range, at_from));
  EXPECT_FALSE(passes_filter(range, at_from - kSecond));
  EXPECT_TRUE(passes_filter(range, at_from + (2 * 86400 + 35690) * kSecond));  // 2011-03-09 23:59:59
  EXPECT_FALSE(passes_filter(range, at_from + (2 * 86400 + 35691) * kSecond));
  EXPECT_FALSE(passes_filter(range, std::nullopt));
  EXPECT_TRUE(passes_filter(std::nullopt, std::nullopt));
  // Exactly the documented forms and years.
  for (const char* bad : {"2011-02-30", "2011-03-07x", "yesterday", "2011-03-07 14:05", "2011-3-07", " 2011-03-07",
                          "+011-03-07", "2011-03-07T14:5", "2011-03-07T14:05:09Z", "1600-12-31", "2011-03-07T24:00"})
    EXPECT_FALSE(parse_filter_date(bad, false)) << bad;
  EXPECT_EQ(parse_filter_date("1601-01-01", false), std::optional<std::time_t>(-11644473600));
  EXPECT_EQ(parse_filter_date("9999-12-31", true), std::optional<std::time_t>(253402300799));
  EXPECT_EQ(parse_filter_date("2011-03-07T14:05", false), std::optional<std::time_t>(1299506700));
}

}  // namespace
}  // namespace quorvine::exporting
