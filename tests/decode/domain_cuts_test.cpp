#include "decode/domain_cuts.hpp"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "decode/domain_endings.hpp"

namespace quorvine::decode {
namespace {

std::string pass_by_pass(std::string text) {
  for (size_t i = 1; i < kDomainEndings.size(); ++i) cut_after_ending(text, kDomainEndings[i]);
  return text;
}

std::string one_scan(std::string text) {
  cut_after_domain_endings(text, 1);
  return text;
}

TEST(DomainCuts, OnePassCutsOnlyInsideDomains) {
  std::string text = "a.com@b.com.au,c@d.com";
  cut_after_ending(text, ".com");
  EXPECT_EQ(text, "a.com@b.com,.au,c@d.com,");
  std::string twice = "x@y.com.com";
  cut_after_ending(twice, ".com");
  EXPECT_EQ(twice, "x@y.com,.com");
}

TEST(DomainCuts, LaterPassesCutInsideEarlierCuts) {
  // ".com" (second pass) cuts first, then ".de" cuts the shortened domain again.
  EXPECT_EQ(one_scan("x@y.de.com"), "x@y.de,.com,");
  // ".co.uk" and then ".uk" end at the same place: two commas, as two passes give.
  EXPECT_EQ(one_scan("x@y.co.uk"), pass_by_pass("x@y.co.uk"));
  EXPECT_EQ(one_scan("x@y.co.uk"), "x@y.co.uk,,");
  EXPECT_EQ(one_scan("no address.com"), "no address.com");
}

// The one-scan form must give exactly what the passes one after the other give.
TEST(DomainCuts, OneScanAgreesWithPassByPass) {
  const std::vector<std::string> pieces = {"@", ".", ".", "com", "co", "uk", "de", "in", "fo",
                                           "org", "au", "nz", "a", "x", ",", "z", "edu", "me",
                                           "net", "ac", "info", "<", "_", "9", "community"};
  std::mt19937 random(7122026);
  std::uniform_int_distribution<size_t> pick(0, pieces.size() - 1);
  std::uniform_int_distribution<size_t> count(1, 16);
  for (int round = 0; round < 5000; ++round) {
    std::string text;
    for (size_t n = count(random); n > 0; --n) text += pieces[pick(random)];
    ASSERT_EQ(one_scan(text), pass_by_pass(text)) << "text: " << text;
  }
}

}  // namespace
}  // namespace quorvine::decode
