#include "export/header_block.hpp"

#include <gmime/gmime.h>

#include <algorithm>
#include <array>
#include <memory>

namespace quorvine::exporting {
namespace {

// GMime folds header lines at this many columns.
constexpr size_t kFoldColumns = 78;
// Words up to this long are never encoded by GMime for their length alone.
constexpr size_t kLongestPlainWord = 60;
// Names up to this long fit a line of their own, so GMime never breaks them up.
constexpr size_t kLongestPlainName = 70;

bool is_alnum(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); }

// Printable ASCII words, one blank between two, none at either end, no word long enough or
// shaped like an encoded word ("=?") for GMime's encoder to encode it: the text as GMime
// writes it, but for the folding.
bool plain_words(std::string_view text, bool (*allowed)(char), size_t longest_word) {
  if (text.empty() || text.front() == ' ' || text.back() == ' ') return false;
  size_t word = 0;
  char previous = ' ';
  for (const char c : text) {
    if (c == ' ') {
      if (previous == ' ') return false;
      word = 0;
    } else {
      if (!allowed(c) || (previous == '=' && c == '?') || ++word > longest_word) return false;
    }
    previous = c;
  }
  return true;
}

bool printable(char c) { return c > ' ' && c < 0x7f; }
// Characters of a name that GMime writes as they stand: atoms, no quoting, nothing to encode.
bool name_character(char c) { return is_alnum(c) || c == '\'' || c == '-' || c == '_'; }

// "local@domain" of dot-atoms of plain characters: an address GMime's parser keeps as it is.
// Domains in punycode ("xn--") are left to GMime, which writes international domains.
bool plain_address(std::string_view address) {
  const size_t at = address.find('@');
  if (at == std::string_view::npos || address.find('@', at + 1) != std::string_view::npos) return false;
  const auto dot_atoms = [](std::string_view text, bool domain) {
    if (text.empty() || text.front() == '.' || text.back() == '.') return false;
    char previous = '.';
    for (size_t i = 0; i < text.size(); ++i) {
      const char c = text[i];
      if (c == '.') {
        if (previous == '.') return false;
      } else if (!(is_alnum(c) || c == '-' || (!domain && (c == '_' || c == '+' || c == '%')))) {
        return false;
      }
      if (domain && previous == '.' && text.size() - i >= 4 && (text[i] == 'x' || text[i] == 'X') &&
          (text[i + 1] == 'n' || text[i + 1] == 'N') && text[i + 2] == '-' && text[i + 3] == '-')
        return false;
      previous = c;
    }
    return true;
  };
  return dot_atoms(address.substr(0, at), false) && dot_atoms(address.substr(at + 1), true);
}

bool plain_entry(const MailAddress& entry) {
  return (entry.name.empty() || (entry.name.size() <= kLongestPlainName &&
                                 plain_words(entry.name, name_character, kLongestPlainWord))) &&
         (entry.address.empty() || plain_address(entry.address));
}

bool listed(const MailAddress& entry) { return !entry.address.empty() || !entry.name.empty(); }

// GMime breaks an address line by turning the blank before the break into the line end, or
// by adding one, and goes on after a tab.
void wrap(std::string& out) {
  if (!out.empty() && out.back() == ' ') out.back() = '\n';
  else out += '\n';
  out += '\t';
}

struct Unref {
  void operator()(void* object) const { g_object_unref(object); }
};

// The fields whose values GMime parses and formats by their own grammar.
constexpr std::array<std::string_view, 20> kFormattedByGMime = {
    "Received",   "Sender",        "From",        "Reply-To",        "To",          "Cc",
    "Bcc",        "Message-Id",    "In-Reply-To", "References",      "Resent-Sender", "Resent-From",
    "Resent-Reply-To", "Resent-To", "Resent-Cc",  "Resent-Bcc",      "Resent-Message-Id", "Content-Type",
    "Content-Disposition", "Content-Id"};

bool formatted_by_name(std::string_view name) {
  const auto same = [name](std::string_view known) {
    return known.size() == name.size() &&
           std::equal(known.begin(), known.end(), name.begin(),
                      [](char a, char b) { return g_ascii_tolower(a) == g_ascii_tolower(b); });
  };
  return std::any_of(kFormattedByGMime.begin(), kFormattedByGMime.end(), same) || same("Disposition-Notification-To");
}

}  // namespace

void HeaderBlock::addresses(std::string_view name, const std::vector<MailAddress>& addresses) {
  if (std::none_of(addresses.begin(), addresses.end(), listed)) return;
  const size_t start = text_.size();
  text_.append(name).append(": ");
  if (!std::all_of(addresses.begin(), addresses.end(), [](const MailAddress& a) { return !listed(a) || plain_entry(a); })) {
    // GMime encodes the names and writes international domains, folding as it goes.
    std::unique_ptr<InternetAddressList, Unref> list(internet_address_list_new());
    for (const MailAddress& entry : addresses) {
      if (!listed(entry)) continue;
      std::unique_ptr<InternetAddress, Unref> address(
          entry.address.empty() ? internet_address_group_new(entry.name.c_str())
                                : internet_address_mailbox_new(entry.name.c_str(), entry.address.c_str()));
      internet_address_set_charset(address.get(), "UTF-8");
      internet_address_list_add(list.get(), address.get());
    }
    GString* folded = g_string_new_len(text_.data() + start, static_cast<gssize>(text_.size() - start));
    internet_address_list_encode(list.get(), nullptr, folded);
    text_.resize(start);
    text_.append(folded->str, folded->len);
    g_string_free(folded, TRUE);
    return;
  }
  // The same folding as GMime's, for names and addresses that need no encoding or quoting.
  size_t column = name.size() + 2;
  bool first = true;
  for (const MailAddress& entry : addresses) {
    if (!listed(entry)) continue;
    if (!first) {
      text_ += ", ";
      column += 2;
    }
    first = false;
    if (entry.address.empty()) {  // an empty group
      if (column > 1 && column + entry.name.size() + 1 > kFoldColumns) {
        wrap(text_);
        column = 1;
      }
      text_.append(entry.name).append(": ;");
      column += entry.name.size() + 3;
    } else if (entry.name.empty()) {
      if (column + entry.address.size() > kFoldColumns) {
        wrap(text_);
        column = 1;
      }
      text_ += entry.address;
      column += entry.address.size();
    } else {
      if (column + entry.name.size() > kFoldColumns && column > 1) {
        wrap(text_);
        column = 1;
      }
      text_ += entry.name;
      column += entry.name.size();
      if (column + entry.address.size() + 3 >= kFoldColumns) {
        text_ += "\n\t<";
        column = 2;
      } else {
        text_ += " <";
        column += 2;
      }
      text_.append(entry.address).append(">");
      column += entry.address.size() + 1;
    }
  }
  text_ += '\n';
}

void HeaderBlock::text(std::string_view name, std::string_view value) {
  if (!plain_words(value, printable, kLongestPlainWord)) {
    formatted_by_gmime(name, value);
    return;
  }
  text_.append(name).append(":");
  size_t column = name.size() + 1;
  size_t at = 0;
  while (at < value.size()) {
    size_t end = value.find(' ', at);
    if (end == std::string_view::npos) end = value.size();
    const size_t length = end - at;
    if (column > 1 && column + 1 + length > kFoldColumns) {
      text_ += "\n ";
      column = 1;
    } else {
      text_ += ' ';
      ++column;
    }
    text_.append(value.substr(at, length));
    column += length;
    at = end + 1;
  }
  text_ += '\n';
}

void HeaderBlock::message_id(std::string_view id) { text_.append("Message-Id: <").append(id).append(">\n"); }

void HeaderBlock::carried(std::string_view name, std::string_view value) {
  if (formatted_by_name(name)) formatted_by_gmime(name, value);
  else text(name, value);
}

void HeaderBlock::line(std::string_view text) { text_.append(text).append("\n"); }

void HeaderBlock::formatted_by_gmime(std::string_view name, std::string_view value) {
  std::unique_ptr<GMimeHeaderList, Unref> list(g_mime_header_list_new(nullptr));
  g_mime_header_list_append(list.get(), std::string(name).c_str(), std::string(value).c_str(), "UTF-8");
  char* formatted = g_mime_header_list_to_string(list.get(), nullptr);
  if (formatted) text_ += formatted;
  g_free(formatted);
}

}  // namespace quorvine::exporting
