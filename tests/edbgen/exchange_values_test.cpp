// Encodings the Exchange layouts store and the identifier and date texts readers make of
// them: each must agree with how the readers decode, or fixtures lie.
#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "edbgen/exchange_ids.hpp"
#include "edbgen/exchange_rtf.hpp"
#include "edbgen/exchange_sha256.hpp"
#include "edbgen/exchange_text.hpp"
#include "edbgen/scenario_model.hpp"

namespace edbgen {
namespace {

std::string upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

TEST(ExchangeIdentifiers, ContentsTableNameGivesTheFolderKeyOfTheFolderIdentifier) {
  // Identifier bytes 01 00 00 00 00 02 D5 E3 belong to the table 1-2D5E3.
  const uint64_t id = 0x010000000002D5E3ull;
  EXPECT_EQ(identifier_text(id), "10000000002d5e3");
  EXPECT_EQ(contents_table_name(id), "1-2D5E3");
  EXPECT_EQ(folder_key("1-2D5E3"), "10000000002D5E3");
  // Counters with zeros inside, at the ends and at full width must survive the round trip.
  for (uint64_t counter : {0x1ull, 0x10ull, 0x100ull, 0x10001ull, 0xF0000000ull, 0xFFFFFFFFFFFFull,
                           0x800000000000ull, 0x1000000000ull}) {
    const uint64_t folder = exchange_identifier(counter);
    EXPECT_EQ(folder_key(contents_table_name(folder)), upper(identifier_text(folder)))
        << std::hex << counter;
  }
}

TEST(ExchangeIdentifiers, FolderKeyRejectsNamesThatDoNotSplitInTwo) {
  EXPECT_EQ(folder_key("Folders-101-1"), "");
  EXPECT_EQ(folder_key("Msg"), "");
  EXPECT_EQ(folder_key("1234-5"), "");  // first piece longer than 3
  EXPECT_EQ(folder_key("12-ABC"), "12" + std::string(11, '0') + "ABC");
}

TEST(ExchangeIdentifiers, ReplicaCounterFormAsRevision17ReadersShowIt) {
  EXPECT_EQ(replica_counter_text(0x00010000002A3F0Cull), "1-2A3F0C");
  EXPECT_EQ(replica_counter_text(0x01000000002A3F0Cull), "1-2A3F0C");  // Exchange's 01 00
  EXPECT_EQ(replica_counter_text(0x34120000000000FFull), "1234-FF");
  EXPECT_EQ(replica_counter_text(0x1000000000000001ull), "1-1");
  EXPECT_EQ(identifier_text(0), "0");
  EXPECT_EQ(identifier_text(101), "65");  // a mailbox number below 256: two digits
}

TEST(ExchangeIdentifiers, ContentsTableNameRefusesIdentifiersOfOtherWidths) {
  EXPECT_THROW(contents_table_name(0x2D5E3), std::invalid_argument);
  EXPECT_THROW(contents_table_name(0x1000000000002D5Eull), std::invalid_argument);
}

TEST(ExchangeDates, StageOneTextAndTheUndecodableForm) {
  const auto ft = filetime_from_iso("2011-03-07T14:05:09Z");
  ASSERT_TRUE(ft.has_value());
  EXPECT_EQ(filetime_text(*ft), "Mar,07 2011 14:05:09");
  EXPECT_EQ(filetime_text(0), "Jan,01 1601 00:00:00");
  const auto last = filetime_from_iso("9999-12-31T23:59:59Z");
  ASSERT_TRUE(last.has_value());
  EXPECT_EQ(filetime_text(*last), "Dec,31 9999 23:59:59");
  // One day later the year has five digits: the two 32-bit halves in hex instead.
  const uint64_t next_day = *last + 86400ull * 10'000'000ull;
  const std::string text = filetime_text(next_day);
  EXPECT_EQ(text.size(), 23u);
  EXPECT_EQ(text.rfind("(0x", 0), 0u);
  EXPECT_EQ(filetime_text(0x7FFFFFFFFFFFFFFFull), "(0x7fffffff 0xffffffff)");
  EXPECT_FALSE(rfc5322_date(0x7FFFFFFFFFFFFFFFull).has_value());
  EXPECT_EQ(rfc5322_date(*ft).value(), "Mon, 07 Mar 2011 14:05:09 +0000");
  const auto leap = filetime_from_iso("2012-02-29T23:59:59Z");
  ASSERT_TRUE(leap.has_value());
  EXPECT_EQ(filetime_text(*leap), "Feb,29 2012 23:59:59");
}

TEST(ExchangeDates, IsoParserRejectsImpossibleAndSloppyDates) {
  EXPECT_FALSE(filetime_from_iso("2011-02-29T00:00:00Z"));
  EXPECT_FALSE(filetime_from_iso("2011-3-7T14:05:09Z"));
  EXPECT_FALSE(filetime_from_iso("2011-03-07 14:05:09"));
  EXPECT_FALSE(filetime_from_iso("2011-03-07T24:00:00Z"));
  EXPECT_FALSE(filetime_from_iso("1600-12-31T00:00:00Z"));
}

TEST(ExchangeText, Utf16KeepsSurrogatePairsAndRefusesBrokenUtf8) {
  EXPECT_EQ(utf16le("A\xC3\xA9"), (Bytes{0x41, 0x00, 0xE9, 0x00}));
  // U+1F600 becomes D83D DE00.
  EXPECT_EQ(utf16le("\xF0\x9F\x98\x80"), (Bytes{0x3D, 0xD8, 0x00, 0xDE}));
  EXPECT_THROW(utf16le("\xC3"), std::invalid_argument);
  EXPECT_THROW(utf16le("\xED\xA0\x80"), std::invalid_argument);  // an encoded surrogate
  EXPECT_THROW(utf16le("\x80"), std::invalid_argument);
}

TEST(ExchangeText, HeaderWordsEncodeOnlyWhatIsNotPlainAscii) {
  EXPECT_EQ(header_word("Bob Jones"), "Bob Jones");
  EXPECT_EQ(header_word("\xC3\xA9"), "=?utf-8?B?w6k=?=");
  EXPECT_EQ(base64(bytes_of("")), "");
  EXPECT_EQ(base64(bytes_of("ab")), "YWI=");
  EXPECT_EQ(base64(bytes_of("abcd")), "YWJjZA==");
}

TEST(ExchangeSha256, KnownDigestsAcrossBlockBoundaries) {
  EXPECT_EQ(sha256_hex(bytes_of("")),
            "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(sha256_hex(bytes_of("abc")),
            "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_EQ(sha256_hex(bytes_of("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq")),
            "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
  // Fed in uneven pieces, a million "a"s give the published digest.
  Sha256 h;
  const std::string chunk(997, 'a');
  size_t left = 1'000'000;
  while (left > 0) {
    const size_t n = std::min(left, chunk.size());
    h.update(reinterpret_cast<const uint8_t*>(chunk.data()), n);
    left -= n;
  }
  EXPECT_EQ(h.hex_digest(), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

TEST(ExchangeRtf, UncompressedFormHeaderAndEscapes) {
  const std::string rtf = rtf_document("a{b}\\c\n\xD0\x96");
  EXPECT_NE(rtf.find("a\\{b\\}\\\\c\\par"), std::string::npos);
  EXPECT_NE(rtf.find("\\u1046?"), std::string::npos);  // U+0416
  const Bytes stream = compressed_rtf_uncompressed_form(rtf);
  ASSERT_EQ(stream.size(), rtf.size() + 16);
  auto u32 = [&](size_t at) {
    return uint32_t(stream[at]) | uint32_t(stream[at + 1]) << 8 | uint32_t(stream[at + 2]) << 16 |
           uint32_t(stream[at + 3]) << 24;
  };
  EXPECT_EQ(u32(0), rtf.size() + 12);  // counts from the raw-size field on
  EXPECT_EQ(u32(4), rtf.size());
  EXPECT_EQ(std::string(stream.begin() + 8, stream.begin() + 12), "MELA");
  EXPECT_EQ(u32(12), 0u);
  EXPECT_EQ(std::string(stream.begin() + 16, stream.end()), rtf);
  // Characters beyond U+7FFF are negative in \u.
  EXPECT_NE(rtf_document("\xEF\xBC\x81").find("\\u-255?"), std::string::npos);  // U+FF01
}

TEST(ExchangeIdentifiers, AssignedIdentifiersAreDistinctAndInTreeOrder) {
  Scenario s;
  Mailbox m;
  m.number = 7;
  Folder parent;
  parent.name = "P";
  Message msg;
  msg.attachments.resize(2);
  parent.messages.push_back(msg);
  Folder child;
  child.name = "C";
  parent.children.push_back(child);
  m.folders.push_back(parent);
  s.mailboxes.push_back(m);
  const uint64_t next = assign_identifiers(s, 0x100);
  const Mailbox& a = s.mailboxes[0];
  const Folder& p = a.folders[0];
  EXPECT_EQ(a.root_folder_id, exchange_identifier(0x100));
  EXPECT_EQ(p.id, exchange_identifier(0x101));
  EXPECT_EQ(p.messages[0].id, exchange_identifier(0x102));
  EXPECT_EQ(p.messages[0].attachment_ids,
            (std::vector<uint64_t>{exchange_identifier(0x103), exchange_identifier(0x104)}));
  EXPECT_EQ(p.children[0].id, exchange_identifier(0x105));
  EXPECT_EQ(s.public_root_id, exchange_identifier(0x106));
  EXPECT_EQ(next, 0x107u);
}

}  // namespace
}  // namespace edbgen
