// The direct writer of the MIME composer held against the same messages composed through
// GMime's object model: a corpus made in process from tables of awkward values (non-ASCII
// names and subjects, quotes, commas and semicolons in names, very long subjects, empty
// fields, international domains, bodies of every transfer encoding, kept transport fields).
// The bytes must be the same in both line-end forms; where they are not, both are parsed back
// by GMime and must at least give the same decoded headers and MIME tree.
#include <gmime/gmime.h>
#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "export/mail_addresses.hpp"
#include "export/mime_composer.hpp"
#include "gmime_object_composer.hpp"

namespace quorvine::exporting {
namespace {

const std::vector<std::string> kNames = {
    "", "Chloe Meyer", "Iris \"Q\" Rossi, Jr.", "Smith; John", "O'Brien", "J\xc3\xbcrgen Gro\xc3\x9f",
    "\xe5\xb1\xb1\xe7\x94\xb0 \xe5\xa4\xaa\xe9\x83\x8e", "A", "Dr. No", "a,b", "x=?y?=", "two  blanks", " padded ",
    "Anna-Lena Svensson-Karlsson Oppenheimer Fitzgerald Montgomery Wellington III",
    "Averyveryveryveryveryveryveryveryveryveryveryverylongsinglewordnamewithoutblanks",
    "\"Already quoted\"", "back\\slash", "Tab\there", "Caf\xc3\xa9, \"quoted\"; semi", "Mary_Ann O'Neil-Smith"};
const std::vector<std::string> kAddresses = {
    "a@example.com", "first.last@sub.example.org", "user+tag@example.co.uk", "j\xc3\xbcrgen@b\xc3\xbc" "cher.de",
    "user@xn--bcher-kva.de", "bad address", "trailing.@example.com", "a@b", "x@example.com.",
    "a.very.long.local.part.that.goes.on.and.on@a.very.long.domain.name.example.com", "", "odd\"quote@example.com",
    "UPPER@EXAMPLE.COM"};
const std::vector<std::string> kWords = {
    "budget", "status", "Re:", "Fwd:", "#9", "(draft)", "50%", "a", "\xc3\x9c" "ber", "\xe2\x80\x94", "=?utf-8?q?x?=",
    "semi;colon", "comma,", "\"quoted\"", "x", "supercalifragilisticexpialidocious",
    std::string(59, 'w'), std::string(60, 'v'), std::string(61, 'u'), std::string(90, 'z'), "caf\xc3\xa9", "tab\tword"};
const std::vector<std::string> kFields = {
    "Received: from mail.example.com (mail.example.com [192.0.2.1]) by mx.example.org with ESMTP id 12345 for "
    "<anna@example.org>; Mon, 7 Mar 2011 10:00:00 +0000",
    "References: <a1@example.com> <b2@example.com> <c3.very.long.identifier.value@example.com> "
    "<d4.another.long.identifier@example.com>",
    "In-Reply-To: <q@w>", "Reply-To: R <r@x.com>", "Reply-To: \xc3\x9cmlaut <u@x.com>", "Return-Path: <rp@x.com>",
    "X-Mailer: Some Mailer 1.0", "Thread-Topic: a thread topic that is long enough to need folding when it is "
    "written out after its field name",
    "X-Non-Ascii: gr\xc3\xbc\xc3\x9f" "e", "List-Id: <list.example.com>", "Sender: s@x.com", "X-Empty:",
    "X-Long-Word: " + std::string(100, 'q'), "X-Spaces: two  blanks  here", "Thread-Index: AcFoo/bar+baz==",
    "X-MS-Exchange-Organization-AuthAs: Anonymous", "X-Folded: first part\r\n second part"};
const std::vector<std::string> kBodies = {
    "", "hello", "hello\r\nworld\r\n", "line\nonly LF\n", "lone\rCR", "ends with CR\r", "x\r\r\ny",
    "From the start\r\nof a line\r\n", "caf\xc3\xa9 and more plain text here\r\n", "\xc3\xa9\xc3\xa9\xc3\xa9",
    std::string("nul\0byte", 8), std::string(1000, 'x') + "\r\n", std::string(57, '\0'), std::string(114, '\0'),
    std::string(56, '\0'), "=3D already\r\n.\r\n"};

struct Corpus {
  std::mt19937 random{20260309};
  template <typename T>
  const T& pick(const std::vector<T>& from) { return from[random() % from.size()]; }
  bool chance(int percent) { return static_cast<int>(random() % 100) < percent; }

  std::vector<MailAddress> addresses(size_t most) {
    std::vector<MailAddress> list(random() % (most + 1));
    for (MailAddress& a : list) a = {pick(kNames), pick(kAddresses)};
    return list;
  }
  std::string subject() {
    if (chance(5)) return "";
    std::string text = chance(5) ? " " : "";
    const size_t words = 1 + random() % (chance(20) ? 40 : 8);
    for (size_t i = 0; i < words; ++i) {
      if (i > 0) text += chance(5) ? "  " : " ";
      text += chance(70) ? "word" + std::to_string(random() % 1000) : pick(kWords);
    }
    return text;
  }
  CompositionRecord record() {
    CompositionRecord r;
    r.from = {{pick(kNames), chance(80) ? pick(kAddresses) : ""}};
    r.to = addresses(3);
    r.cc = addresses(2);
    r.bcc = addresses(1);
    r.subject = subject();
    if (chance(95)) r.filetime = 116444736000000000ULL + (random() % 2000000000ULL) * 10000000ULL;
    if (chance(80)) r.message_id = chance(90) ? "<" + std::to_string(random()) + "@edbgen.invalid>" : "< spaced@h >";
    if (chance(90)) r.body = pick(kBodies) + (chance(50) ? "plain words\r\n" : "");
    r.body_kind = chance(10) ? "html" : "txt";
    if (chance(20)) r.html_body = "<p>" + pick(kWords) + "</p>" + (chance(50) ? "\r\n" : "");
    if (chance(40)) {
      for (size_t i = random() % 5; i > 0; --i) r.transport_headers += pick(kFields) + "\r\n";
      r.transport_headers += "Subject: ignored\r\n\r\n";
    }
    for (size_t i = chance(20) ? 1 + random() % 2 : 0; i > 0; --i) {
      AttachmentContent a;
      a.name = chance(50) ? "report " + std::to_string(i) + ".pdf" : "\xc3\x9c" "bersicht.bin";
      a.bytes.resize(random() % 300);
      for (char& c : a.bytes) c = static_cast<char>(random());
      r.attachments.push_back(std::move(a));
    }
    return r;
  }
};

class StringSink final : public ese::ByteSink {
 public:
  void write(std::span<const uint8_t> chunk) override { text.append(reinterpret_cast<const char*>(chunk.data()), chunk.size()); }
  std::string text;
};

std::string composed(const CompositionRecord& r, LineEnds ends, bool through_objects) {
  StringSink sink;
  if (through_objects) compose_with_gmime_objects(r, sink, ends);
  else compose_message(r, sink, ends);
  return sink.text;
}

std::string owned(char* text) {
  std::string value = text ? text : "";
  g_free(text);
  return value;
}

// What a reader sees of a message: every header decoded, in order, the address lists as
// GMime reads them, and each part's type, encoding, file name and decoded content.
std::string reading(const std::string& message) {
  GMimeStream* stream = g_mime_stream_mem_new_with_buffer(message.data(), message.size());
  GMimeParser* parser = g_mime_parser_new_with_stream(stream);
  GMimeMessage* parsed = g_mime_parser_construct_message(parser, nullptr);
  std::ostringstream out;
  if (!parsed) {
    out << "not a message";
  } else {
    GMimeHeaderList* headers = g_mime_object_get_header_list(GMIME_OBJECT(parsed));
    for (int i = 0; i < g_mime_header_list_get_count(headers); ++i) {
      GMimeHeader* header = g_mime_header_list_get_header_at(headers, i);
      const char* value = g_mime_header_get_value(header);
      out << g_mime_header_get_name(header) << "=" << (value ? value : "") << "\n";
    }
    for (const GMimeAddressType type : {GMIME_ADDRESS_TYPE_FROM, GMIME_ADDRESS_TYPE_TO, GMIME_ADDRESS_TYPE_CC,
                                        GMIME_ADDRESS_TYPE_BCC})
      out << "addresses " << owned(internet_address_list_to_string(g_mime_message_get_addresses(parsed, type), nullptr, FALSE))
          << "\n";
    GMimePartIter* iter = g_mime_part_iter_new(GMIME_OBJECT(parsed));
    do {
      GMimeObject* current = g_mime_part_iter_get_current(iter);
      if (!current) continue;
      out << "part " << owned(g_mime_content_type_get_mime_type(g_mime_object_get_content_type(current)));
      if (GMIME_IS_PART(current)) {
        GMimePart* part = GMIME_PART(current);
        const char* name = g_mime_part_get_filename(part);
        out << " " << g_mime_part_get_content_encoding(part) << " " << (name ? name : "") << " [";
        GMimeStream* memory = g_mime_stream_mem_new();
        g_mime_data_wrapper_write_to_stream(g_mime_part_get_content(part), memory);
        GByteArray* bytes = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(memory));
        out << std::string(reinterpret_cast<const char*>(bytes->data), bytes->len) << "]";
        g_object_unref(memory);
      }
      out << "\n";
    } while (g_mime_part_iter_next(iter));
    g_mime_part_iter_free(iter);
    g_object_unref(parsed);
  }
  g_object_unref(parser);
  g_object_unref(stream);
  return out.str();
}

TEST(ComposerCorpus, DirectWriterReadsBackAsGMimeObjectsDo) {
  initialise_gmime();
  Corpus corpus;
  int differing_bytes = 0, differing_readings = 0;
  for (int n = 0; n < 10000; ++n) {
    const CompositionRecord r = corpus.record();
    // Both writers share the layout for either line end, so LF is held against GMime's for an
    // eighth of the corpus.
    for (const LineEnds ends : {LineEnds::CrLf, LineEnds::Lf}) {
      if (ends == LineEnds::Lf && n % 8 != 0) continue;
      const std::string direct = composed(r, ends, false), reference = composed(r, ends, true);
      if (direct == reference) continue;  // the same bytes read back the same
      if (++differing_bytes <= 3)
        ADD_FAILURE() << "message " << n << " differs in its bytes\n--- through GMime's objects:\n"
                      << reference << "\n--- written directly:\n" << direct;
      const std::string read_back = reading(direct), expected = reading(reference);
      if (read_back != expected && ++differing_readings <= 3)
        ADD_FAILURE() << "message " << n << " reads back differently\n--- through GMime's objects:\n"
                      << expected << "\n--- written directly:\n" << read_back;
    }
  }
  EXPECT_EQ(differing_bytes, 0);
  EXPECT_EQ(differing_readings, 0);
}

}  // namespace
}  // namespace quorvine::exporting
