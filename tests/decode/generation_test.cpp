#include "decode/generation.hpp"

#include <gtest/gtest.h>

namespace quorvine::decode {
namespace {

// The texts are those of the command line's --exchange values and the JSON "exchange" field.
TEST(Generation, TextsReadBackAsTheirGeneration) {
  const struct {
    Generation generation;
    std::string_view text;
  } cases[] = {{Generation::V2007, "2007"}, {Generation::V2010, "2010"}, {Generation::V2013, "2013"}};
  for (const auto& c : cases) {
    EXPECT_EQ(to_string(c.generation), c.text);
    EXPECT_EQ(parse_generation(c.text), c.generation) << c.text;
  }
  EXPECT_EQ(to_string(Generation::Unset), "");
  EXPECT_EQ(parse_generation("2003"), Generation::V2007);
  EXPECT_FALSE(parse_generation("").has_value());
  EXPECT_FALSE(parse_generation("2016").has_value());
}

}  // namespace
}  // namespace quorvine::decode
