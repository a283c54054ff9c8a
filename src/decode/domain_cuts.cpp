#include "decode/domain_cuts.hpp"

#include <algorithm>
#include <unordered_map>
#include <utility>
#include <vector>

#include "decode/domain_endings.hpp"

namespace quorvine::decode {
namespace {

bool is_domain_character(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
         c == '_' || c == '.' || c == '-';
}

// Pass numbers of each ending (".edu" runs twice); endings that cannot stand in a domain
// (the ones with blanks) are left out, they never cut there.
struct EndingIndex {
  std::unordered_map<std::string_view, std::vector<size_t>> passes;
  size_t longest = 0;
  EndingIndex() {
    for (size_t i = 0; i < kDomainEndings.size(); ++i) {
      std::string_view ending = kDomainEndings[i];
      if (!std::all_of(ending.begin(), ending.end(), is_domain_character)) continue;
      passes[ending].push_back(i);
      longest = std::max(longest, ending.size());
    }
  }
};

const EndingIndex& ending_index() {
  static const EndingIndex index;  // built once, read-only afterwards
  return index;
}

// The cut positions in one domain [start, end), in the order the passes make them.
void cut_domain(std::string_view text, size_t start, size_t end, size_t first_pass,
                std::vector<size_t>& cuts) {
  const EndingIndex& index = ending_index();
  // First occurrence of each pass's ending: only the first can be cut, as a cut ends the
  // domain and later occurrences lie beyond it.
  std::vector<std::pair<size_t, size_t>> first;  // (pass, end of occurrence)
  std::vector<bool> seen(kDomainEndings.size(), false);
  for (size_t p = start; p < end; ++p) {
    if (text[p] != '.') continue;
    for (size_t length = 2; length <= index.longest && p + length <= end; ++length) {
      auto hit = index.passes.find(text.substr(p, length));
      if (hit == index.passes.end()) continue;
      for (size_t pass : hit->second) {
        if (pass < first_pass || seen[pass]) continue;
        seen[pass] = true;
        first.emplace_back(pass, p + length);
      }
    }
  }
  std::sort(first.begin(), first.end());
  size_t domain_end = end;
  for (const auto& [pass, occurrence_end] : first) {
    if (occurrence_end > domain_end) continue;
    cuts.push_back(occurrence_end);
    domain_end = occurrence_end;
  }
}

}  // namespace

void cut_after_ending(std::string& text, std::string_view ending) {
  size_t hit = text.find(ending);
  if (hit == std::string::npos) return;
  std::string out;
  out.reserve(text.size() + 16);
  size_t done = 0;
  size_t scanned = 0;
  bool in_domain = false;
  while (hit != std::string::npos) {
    for (; scanned < hit; ++scanned) {
      char c = text[scanned];
      in_domain = c == '@' || (in_domain && is_domain_character(c));
    }
    out.append(text, done, hit - done);
    out.append(ending);
    done = hit + ending.size();
    if (in_domain) {
      out.push_back(',');
      in_domain = false;
      scanned = done;
    }
    hit = text.find(ending, done);
  }
  out.append(text, done, std::string::npos);
  text = std::move(out);
}

void cut_after_domain_endings(std::string& text, size_t first_pass) {
  std::vector<size_t> cuts;
  for (size_t at = text.find('@'); at != std::string::npos;) {
    size_t start = at + 1;
    size_t end = start;
    while (end < text.size() && is_domain_character(text[end])) ++end;
    size_t before = cuts.size();
    cut_domain(text, start, end, first_pass, cuts);
    std::sort(cuts.begin() + static_cast<std::ptrdiff_t>(before), cuts.end());
    at = end < text.size() && text[end] == '@' ? end : text.find('@', end);
  }
  if (cuts.empty()) return;
  std::string out;
  out.reserve(text.size() + cuts.size());
  size_t done = 0;
  for (size_t cut : cuts) {
    out.append(text, done, cut - done);
    out.push_back(',');
    done = cut;
  }
  out.append(text, done, std::string::npos);
  text = std::move(out);
}

}  // namespace quorvine::decode
