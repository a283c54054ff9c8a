#include "export/vcard_writer.hpp"

#include <ctime>
#include <vector>

#include "export/mail_dates.hpp"

namespace quorvine::exporting {
namespace {

class Card {
 public:
  Card() { line("BEGIN:VCARD"); line("VERSION:4.0"); }
  void line(std::string_view text) { out_ += fold_content_line(text); }
  void text(std::string_view name, std::string_view value) {
    if (!value.empty()) line(std::string(name) + ":" + vcard_escape(value));
  }
  // A structured value: its components escaped, joined with ";".
  void structured(std::string_view name, const std::vector<std::string>& components) {
    std::string value;
    bool any = false;
    for (size_t i = 0; i < components.size(); ++i) {
      if (i) value += ';';
      value += vcard_escape(components[i]);
      any = any || !components[i].empty();
    }
    if (any) line(std::string(name) + ":" + value);
  }
  std::string finish() {
    line("END:VCARD");
    return std::move(out_);
  }

 private:
  std::string out_;
};

std::string types_parameter(const std::vector<std::string>& types) {
  if (types.empty()) return {};
  std::string joined;
  for (const std::string& t : types) joined += (joined.empty() ? "" : ",") + t;
  return ";TYPE=" + (types.size() > 1 ? "\"" + joined + "\"" : joined);
}

// A parameter value in quotes, with RFC 6868's caret escapes for what a quoted value cannot hold.
std::string quoted_parameter(std::string_view text) {
  std::string out = "\"";
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '^') out += "^^";
    else if (c == '"') out += "^'";
    else if (c == '\n' || (c == '\r' && !(i + 1 < text.size() && text[i + 1] == '\n'))) out += "^n";
    else if (static_cast<unsigned char>(c) >= 0x20) out += c;
  }
  return out + "\"";
}

void address(Card& card, const PostalAddress& a, std::string_view type) {
  if (a.empty()) return;
  std::string name = "ADR;TYPE=" + std::string(type);
  if (!a.label.empty()) name += ";LABEL=" + quoted_parameter(a.label);
  // Post office box and extended address are not kept apart by the store.
  std::string value = ";;" + vcard_escape(a.street) + ";" + vcard_escape(a.city) + ";" + vcard_escape(a.region) + ";" +
                      vcard_escape(a.postal_code) + ";" + vcard_escape(a.country);
  card.line(name + ":" + value);
}

}  // namespace

std::string vcard_escape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    switch (c) {
      case '\\': out += "\\\\"; break;
      case ',': out += "\\,"; break;
      case ';': out += "\\;"; break;
      case '\r':
        if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        out += "\\n";
        break;
      case '\n': out += "\\n"; break;
      case '"': out += c; break;
      default:
        // Other control characters have no place in a content line.
        if (static_cast<unsigned char>(c) >= 0x20 || c == '\t') out += c;
    }
  }
  return out;
}

std::string fold_content_line(std::string_view line) {
  std::string out;
  size_t room = 75;
  size_t i = 0;
  while (i < line.size()) {
    // The next character's length: a UTF-8 lead byte and its continuation bytes.
    size_t n = 1;
    while (i + n < line.size() && (static_cast<unsigned char>(line[i + n]) & 0xC0) == 0x80) ++n;
    if (n > room) {
      out += "\r\n ";
      room = 74;
    }
    out.append(line.substr(i, n));
    room -= n;
    i += n;
  }
  return out + "\r\n";
}

std::string vcard(const ContactItem& c) {
  Card card;
  card.text("UID", c.uid);
  const std::string fn = c.formatted_name();
  card.line("FN:" + vcard_escape(fn.empty() ? std::string("(no name)") : fn));
  card.structured("N", {c.last, c.first, c.middle, c.prefix, c.suffix});
  card.text("NICKNAME", c.nickname);
  card.structured("ORG", {c.company, c.department});
  card.text("TITLE", c.job_title);
  card.text("ROLE", c.profession);
  for (size_t i = 0; i < c.emails.size(); ++i)
    card.line("EMAIL;PREF=" + std::to_string(i + 1) + ":" + vcard_escape(c.emails[i]));
  for (const auto& phone : c.phones)
    card.line("TEL;VALUE=text" + types_parameter(phone.types) + ":" + vcard_escape(phone.number));
  address(card, c.business, "work");
  address(card, c.home, "home");
  if (!c.business_page.empty()) card.line("URL;TYPE=work:" + c.business_page);
  if (!c.personal_page.empty()) card.line("URL;TYPE=home:" + c.personal_page);
  if (c.birthday)
    if (auto seconds = filetime_to_unix(*c.birthday)) {
      std::tm tm{};
      gmtime_r(&*seconds, &tm);
      char date[16];
      std::strftime(date, sizeof date, "%Y%m%d", &tm);
      card.line(std::string("BDAY:") + date);
    }
  if (!c.categories.empty()) {
    std::string value;
    for (const std::string& category : c.categories) value += (value.empty() ? "" : ",") + vcard_escape(category);
    card.line("CATEGORIES:" + value);
  }
  card.text("NOTE", c.note);
  return card.finish();
}

std::string vcard(const DistributionList& list) {
  Card card;
  card.line("KIND:group");
  card.text("UID", list.uid);
  card.line("FN:" + vcard_escape(list.name.empty() ? std::string("(no name)") : list.name));
  for (const std::string& member : list.members) card.line("MEMBER:mailto:" + member);
  return card.finish();
}

}  // namespace quorvine::exporting
