#include "decode/address_extraction.hpp"

#include <array>
#include <unordered_set>
#include <vector>

#include "decode/domain_cuts.hpp"
#include "decode/domain_endings.hpp"
#include "decode/regex_pattern.hpp"
#include "decode/text_passes.hpp"

namespace quorvine::decode {
namespace {

bool is_word(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}
bool is_local_separator(char c) { return c == '-' || c == '+' || c == '.' || c == '\''; }

// Matches of the address pattern in one piece, as a left-to-right search would find them,
// without its cost. Every match holds exactly one "@" (no other part of the pattern takes
// one), and its local part is the run of \w+([-+.']\w+)* ending right before that "@",
// starting as far left as the run stays well-formed. So the leftmost start for each "@" is
// found by one scan back, and the engine only confirms the domain part, anchored there.
// A plain search would retry every start in a long run and go quadratic.
void address_matches(RegexSearch& pattern, std::string_view piece,
                     std::vector<std::string>& found) {
  size_t pos = 0;
  for (size_t at = piece.find('@'); at != std::string_view::npos; at = piece.find('@', pos)) {
    if (at == pos || !is_word(piece[at - 1])) {
      pos = at + 1;
      continue;
    }
    size_t start = at - 1;
    for (size_t i = at - 1; i > pos; --i) {
      char c = piece[i - 1];
      if (is_word(c))
        start = i - 1;
      else if (!is_local_separator(c) || is_local_separator(piece[i]))
        break;
    }
    auto match = pattern.find(piece, start, /*anchored=*/true);
    if (match && match->end > match->start) {
      found.push_back(ascii_lower(piece.substr(match->start, match->end - match->start)));
      pos = match->end;
    } else {
      pos = at + 1;
    }
  }
}

void all_matches(RegexSearch& pattern, std::string_view piece,
                 std::vector<std::string>& found) {
  size_t pos = 0;
  while (pos <= piece.size()) {
    auto match = pattern.find(piece, pos, /*anchored=*/false);
    if (!match) break;
    found.push_back(ascii_lower(piece.substr(match->start, match->end - match->start)));
    pos = match->end > match->start ? match->end : match->start + 1;
  }
}

const RegexPattern& address_pattern() {
  static const RegexPattern pattern(kEmailPattern);  // compiled once, read-only afterwards
  return pattern;
}

std::string format_results(std::string_view text, bool address_search,
                           const RegexPattern& pattern) {
  std::string subject(text);
  replace_all(subject, "SMTP", " <");

  RegexSearch search(pattern);
  std::vector<std::string> found;
  std::string leftover;
  size_t begin = 0;
  while (begin <= subject.size()) {
    size_t comma = subject.find(',', begin);
    size_t end = comma == std::string::npos ? subject.size() : comma;
    std::string_view piece(subject.data() + begin, end - begin);
    if (!piece.empty()) {
      size_t before = found.size();
      if (address_search)
        address_matches(search, piece, found);
      else
        all_matches(search, piece, found);
      if (found.size() == before) {
        leftover.append(piece);
        leftover.push_back(' ');
      }
    }
    if (comma == std::string::npos) break;
    begin = comma + 1;
  }

  // A later entry goes when it equals an earlier one exactly or once commas are removed,
  // blanks trimmed and case ignored; the second test covers the first.
  std::unordered_set<std::string> seen;
  std::string result;
  for (std::string& entry : found) {
    std::string key = entry;
    replace_all(key, ",", "");
    key = ascii_lower(trim(key));
    if (!seen.insert(std::move(key)).second) continue;
    replace_all(entry, "ZZZZZZZ", "-");
    result += entry;
    result += ',';
  }
  return result.empty() ? leftover : result;
}

}  // namespace

std::string distinct_matches(std::string_view pattern, std::string_view text) {
  if (pattern.empty() || text.empty()) return {};
  if (pattern == kEmailPattern) return format_results(text, true, address_pattern());
  RegexPattern compiled(pattern);
  return format_results(text, false, compiled);
}

std::string extract_addresses(std::string_view text) {
  if (text.empty()) return std::string(text);
  std::string t(text);
  replace_all(t, " ", ",");
  replace_all(t, "SMTP", ",");
  replace_all(t, "@ ", "");
  t = std::string(trim(t));
  for (std::string_view c : {"^", "\"", "+", ")", "(", "`", "{", "}", "[", "]"})
    replace_all(t, c, ",");
  replace_all(t, ",,", ",");
  replace_all(t, ",_", ",");
  for (std::string_view filler : {"_____", "__________99", "_____9_99____", "____"})
    replace_all(t, filler, ",");
  replace_all(t, "nT", ",");
  replace_all(t, "InfoInfo", " Info");

  // The ending passes. Hyphens would end a match; between the first and the second pass
  // they are disguised as a word run, restored below.
  cut_after_ending(t, kDomainEndings[0]);
  replace_all(t, "-", "zzzzzzz");
  cut_after_domain_endings(t, 1);

  std::string result = distinct_matches(kEmailPattern, t);
  replace_all(result, ",,", "");
  replace_all(result, ",_", ",");
  replace_all(result, "zzzzzzz", "-");
  for (std::string_view filler : {"_____", "__________99", "_____9_99____", "____"})
    replace_all(result, filler, "");
  replace_all(result, "nT", "");
  replace_all(result, ", ", ",");
  return result;
}

bool email_looks_valid(std::string_view text) {
  size_t count = 0;
  for (char c : text)
    if (c == '.' || c == '@') ++count;
  return count > 1;
}

std::string close_up_spaces(std::string_view text) {
  std::string t(text);
  char pair[2] = {' ', '\0'};
  auto close_up = [&](char c) {
    pair[1] = c;
    replace_all(t, std::string_view(pair, 2), std::string_view(pair + 1, 1));
  };
  for (char c = 'a'; c <= 'z'; ++c) close_up(c);
  for (char c = 'A'; c <= 'Z'; ++c) close_up(c);
  for (char c = '0'; c <= '9'; ++c) close_up(c);
  for (char c : {'@', '.', '_', '-', '<', '>'}) close_up(c);
  replace_all(t, "SMTP", " SMTP ");
  return t;
}

}  // namespace quorvine::decode
