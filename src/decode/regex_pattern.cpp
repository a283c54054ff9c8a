#include "decode/regex_pattern.hpp"

#include <stdexcept>
#include <string>

namespace quorvine::decode {
namespace {

// Generous for real addresses, small enough that one search stays cheap.
constexpr uint32_t kMatchLimit = 1'000'000;
constexpr uint32_t kDepthLimit = 100'000;

}  // namespace

RegexPattern::RegexPattern(std::string_view pattern) {
  int error = 0;
  PCRE2_SIZE error_offset = 0;
  code_.reset(pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(),
                            PCRE2_CASELESS, &error, &error_offset, nullptr));
  if (!code_) {
    PCRE2_UCHAR message[256];
    pcre2_get_error_message(error, message, sizeof message);
    throw std::invalid_argument("The pattern \"" + std::string(pattern) + "\" is invalid at " +
                                std::to_string(error_offset) + ": " +
                                reinterpret_cast<const char*>(message) + ".");
  }
  limits_.reset(pcre2_match_context_create(nullptr));
  if (!limits_) throw std::bad_alloc();
  pcre2_set_match_limit(limits_.get(), kMatchLimit);
  pcre2_set_depth_limit(limits_.get(), kDepthLimit);
}

std::optional<MatchSpan> RegexPattern::find(std::string_view subject, size_t offset,
                                            bool anchored) const {
  return RegexSearch(*this).find(subject, offset, anchored);
}

RegexSearch::RegexSearch(const RegexPattern& pattern)
    : pattern_(pattern), data_(pcre2_match_data_create_from_pattern(pattern.code_.get(), nullptr)) {
  if (!data_) throw std::bad_alloc();
}

std::optional<MatchSpan> RegexSearch::find(std::string_view subject, size_t offset, bool anchored) {
  if (offset > subject.size()) return std::nullopt;
  // PCRE2 refuses a null subject even when it is empty.
  const char* bytes = subject.data() ? subject.data() : "";
  int rc = pcre2_match(pattern_.code_.get(), reinterpret_cast<PCRE2_SPTR>(bytes), subject.size(),
                       offset, anchored ? PCRE2_ANCHORED : 0, data_.get(), pattern_.limits_.get());
  if (rc < 0) return std::nullopt;  // no match, or a limit reached: treated alike
  const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(data_.get());
  return MatchSpan{ovector[0], ovector[1]};
}

}  // namespace quorvine::decode
