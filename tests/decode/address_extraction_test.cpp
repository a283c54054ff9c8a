#include "decode/address_extraction.hpp"

#include <gtest/gtest.h>

#include <random>
#include <stdexcept>

#include "decode/domain_endings.hpp"

namespace quorvine::decode {
namespace {

TEST(ExtractEmailId, DisplayNameAndAngleBrackets) {
  EXPECT_EQ(extract_addresses("John Smith <John.Smith@Example.com>"), "john.smith@example.com,");
  EXPECT_EQ(extract_addresses("SMTP:Jane@Example.com"), "jane@example.com,");
  EXPECT_EQ(extract_addresses("\"Doe, Jane\" (jane.doe@example.org)"), "jane.doe@example.org,");
  // An entry identifier through the printable filter: runs of commas around the address.
  EXPECT_EQ(extract_addresses(",,,,,,SMTP,jane_doe@example.net,,,,"), "jane_doe@example.net,");
}

TEST(ExtractEmailId, SeveralAddressesAndDuplicates) {
  EXPECT_EQ(extract_addresses("a@x.com, b@y.org"), "a@x.com,b@y.org,");
  EXPECT_EQ(extract_addresses("a.b@example.com; A.B@EXAMPLE.COM"), "a.b@example.com,");
  EXPECT_EQ(extract_addresses("x@y.com x@y.com x@y.com"), "x@y.com,");
}

TEST(ExtractEmailId, HyphensSurvive) {
  EXPECT_EQ(extract_addresses("mary@my-domain.org"), "mary@my-domain.org,");
  EXPECT_EQ(extract_addresses("Mary-Ann <mary-ann@a-b-c.de>"), "mary-ann@a-b-c.de,");
}

TEST(ExtractEmailId, EarlierEndingsCutLongerOnes) {
  EXPECT_EQ(extract_addresses("joe@town.community"), "joe@town.com,");
  EXPECT_EQ(extract_addresses("x@y.com.au"), "x@y.com,");
  EXPECT_EQ(extract_addresses("x@y.org.uk"), "x@y.org,");
  EXPECT_EQ(extract_addresses("x@y.info"), "x@y.in,");  // ".in" runs before ".info"
  EXPECT_EQ(extract_addresses("x@y.co.uk"), "x@y.co.uk,");
  EXPECT_EQ(extract_addresses("x@y.comSTUFF"), "x@y.com,");
  EXPECT_EQ(kDomainEndings.front(), ".edu");
  EXPECT_EQ(kDomainEndings[1], ".com");
  EXPECT_EQ(kDomainEndings.back(), ".edu");
}

// Endings are cut only inside a domain: a local part that holds one stays whole.
TEST(ExtractEmailId, LocalPartsAreNotCut) {
  EXPECT_EQ(extract_addresses("john.peterson@example.com"), "john.peterson@example.com,");
  EXPECT_EQ(extract_addresses("Ken Ito <k.ito@mail.de>"), "k.ito@mail.de,");
  EXPECT_EQ(extract_addresses("anna.de.vries@x.nl"), "anna.de.vries@x.nl,");
  EXPECT_EQ(extract_addresses("a.com@b.com"), "a.com@b.com,");
  // Text after a domain is still cut away, also when the next piece follows directly.
  EXPECT_EQ(extract_addresses("x@y.com.www@z.org"), "x@y.com,www@z.org,");
  EXPECT_EQ(extract_addresses("x@y.netfoo.com"), "x@y.net,");
}

TEST(ExtractEmailId, NoAddressGivesThePieces) {
  EXPECT_EQ(extract_addresses(""), "");
  EXPECT_EQ(extract_addresses("Hello World"), "Hello World ");
  EXPECT_EQ(extract_addresses("Team (Sales)"), "Team Sales ");
  EXPECT_EQ(extract_addresses("up-to-date"), "up-to-date ");
}

TEST(DistinctMatches, EmptyInputsAndBadPatterns) {
  EXPECT_EQ(distinct_matches("", "a@b.c"), "");
  EXPECT_EQ(distinct_matches(kEmailPattern, ""), "");
  EXPECT_EQ(distinct_matches("b+", "abba,c,,bb"), "bb,");
  EXPECT_EQ(distinct_matches("q", "abba,c"), "abba c ");
  EXPECT_THROW(distinct_matches("(unclosed", "text"), std::invalid_argument);
}

// The address search finds each match without retrying every start; it must agree with
// a plain left-to-right search of the same pattern on any text.
TEST(DistinctMatches, AddressSearchAgreesWithAPlainSearch) {
  const std::string plain_pattern = "(?:" + std::string(kEmailPattern) + ")";
  const std::string alphabet = "ab_Z9.-+'@ <>,.@";
  std::mt19937 random(20261207);
  std::uniform_int_distribution<size_t> pick(0, alphabet.size() - 1);
  std::uniform_int_distribution<size_t> length(1, 40);
  for (int round = 0; round < 20000; ++round) {
    std::string text;
    for (size_t n = length(random); n > 0; --n) text.push_back(alphabet[pick(random)]);
    ASSERT_EQ(distinct_matches(kEmailPattern, text), distinct_matches(plain_pattern, text))
        << "text: " << text;
  }
}

TEST(ExtractEmailId, HostileTextStaysCorrect) {
  const std::string address = " realname@example.com";
  std::string word_run(64 * 1024, 'a');
  EXPECT_EQ(extract_addresses(word_run + address), "realname@example.com,");
  std::string dotted;
  while (dotted.size() < 64 * 1024) dotted += "a.";
  EXPECT_EQ(extract_addresses(dotted + address), "realname@example.com,");
  std::string nested = std::string(32 * 1024, '(') + std::string(32 * 1024, ')');
  EXPECT_EQ(extract_addresses(nested + address), "realname@example.com,");
  std::string ats(64 * 1024, '@');
  EXPECT_EQ(extract_addresses(ats + address), "realname@example.com,");
  std::string long_local = std::string(32 * 1024, 'b') + "@" + std::string(32 * 1024, 'c');
  EXPECT_EQ(extract_addresses(long_local + address), "realname@example.com,");
  EXPECT_EQ(extract_addresses(std::string(30000, 'x') + "@host.com"),
            std::string(30000, 'x') + "@host.com,");
  std::string hyphens(64 * 1024, '-');
  EXPECT_EQ(extract_addresses(hyphens + address), "realname@example.com,");
}

TEST(EmailLooksValid, CountsDotsAndAtSigns) {
  EXPECT_FALSE(email_looks_valid("a@b"));
  EXPECT_TRUE(email_looks_valid("a@b.c"));
  EXPECT_TRUE(email_looks_valid("a.b.c"));
  EXPECT_FALSE(email_looks_valid(""));
  EXPECT_FALSE(email_looks_valid("name"));
}

TEST(CloseUpSpaces, ClosesUpSpacesAndSpacesOutSmtp) {
  EXPECT_EQ(close_up_spaces("J o h n S m i t h"), "JohnSmith");
  EXPECT_EQ(close_up_spaces("john @ example . com"), "john@example.com");
  EXPECT_EQ(close_up_spaces("SMTP:x"), " SMTP :x");
  EXPECT_EQ(close_up_spaces("name  a"), "name a");  // one space per pass
  EXPECT_EQ(close_up_spaces("a , b"), "a ,b");        // no pass for ","
}

}  // namespace
}  // namespace quorvine::decode
