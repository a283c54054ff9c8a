#pragma once
// A PCRE2 pattern compiled once, with match limits so hostile text cannot make a single
// search run away.
#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <cstddef>
#include <memory>
#include <optional>
#include <string_view>

namespace quorvine::decode {

struct MatchSpan {
  size_t start = 0;
  size_t end = 0;
};

class RegexPattern {
 public:
  // Case-insensitive, byte-wise (\w is ASCII letters, digits, underscore). Throws
  // std::invalid_argument naming the fault when the pattern does not compile.
  explicit RegexPattern(std::string_view pattern);

  // The first match at or after `offset` (only at `offset` when anchored). Nothing when
  // there is none or the match limits were reached.
  std::optional<MatchSpan> find(std::string_view subject, size_t offset, bool anchored) const;

 private:
  friend class RegexSearch;
  struct CodeFree {
    void operator()(pcre2_code* code) const { pcre2_code_free(code); }
  };
  struct ContextFree {
    void operator()(pcre2_match_context* context) const { pcre2_match_context_free(context); }
  };
  std::unique_ptr<pcre2_code, CodeFree> code_;
  std::unique_ptr<pcre2_match_context, ContextFree> limits_;
};

// Repeated searches with one pattern, reusing the match buffer between them.
class RegexSearch {
 public:
  explicit RegexSearch(const RegexPattern& pattern);
  std::optional<MatchSpan> find(std::string_view subject, size_t offset, bool anchored);

 private:
  struct DataFree {
    void operator()(pcre2_match_data* data) const { pcre2_match_data_free(data); }
  };
  const RegexPattern& pattern_;
  std::unique_ptr<pcre2_match_data, DataFree> data_;
};

}  // namespace quorvine::decode
