#include "edbgen/scenario_parse.hpp"

#include <fstream>
#include <initializer_list>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

namespace edbgen {
namespace {

using nlohmann::json;

// Column name prefixes the layouts know how to type (see exchange_columns).
bool known_field_prefix(const std::string& name) {
  static const char* const kPrefixes[] = {"MS", "MN", "S", "N", "T", "L", "B"};
  for (const char* p : kPrefixes) {
    const std::string prefix(p);
    if (name.size() > prefix.size() && name.compare(0, prefix.size(), prefix) == 0 &&
        name.find_first_not_of("0123456789abcdef", prefix.size()) == std::string::npos)
      return true;
  }
  return false;
}

class Parser {
 public:
  explicit Parser(std::string source) : source_(std::move(source)) {}

  [[noreturn]] void fail(const std::string& where, const std::string& what) const {
    throw ScenarioError(source_ + ": " + (where.empty() ? "" : where + ": ") + what);
  }

  void only_keys(const json& obj, const std::string& where,
                 std::initializer_list<const char*> allowed) const {
    if (!obj.is_object()) fail(where, "expected an object");
    for (const auto& item : obj.items()) {
      bool ok = false;
      for (const char* key : allowed) ok = ok || item.key() == key;
      if (!ok) fail(where, "unknown key \"" + item.key() + "\"");
    }
  }

  std::string text(const json& obj, const char* key, const std::string& where,
                   const std::string& fallback = "") const {
    if (!obj.contains(key) || obj.at(key).is_null()) return fallback;
    if (!obj.at(key).is_string()) fail(where, std::string("\"") + key + "\" must be a string");
    std::string value = obj.at(key).get<std::string>();
    if (value.find('\0') != std::string::npos)
      fail(where, std::string("\"") + key + "\" holds a NUL character");
    return value;
  }

  std::optional<uint64_t> date(const json& value, const std::string& where) const {
    if (value.is_null()) return std::nullopt;
    if (value.is_number_unsigned()) return value.get<uint64_t>();
    if (value.is_string()) {
      if (auto ft = filetime_from_iso(value.get<std::string>())) return ft;
      fail(where, "date \"" + value.get<std::string>() +
                      "\" is not of the form 2011-03-07T14:05:09Z");
    }
    fail(where, "a date must be a \"YYYY-MM-DDThh:mm:ssZ\" text or a FILETIME number");
  }

  std::vector<Recipient> recipients(const json& obj, const char* key,
                                    const std::string& where) const {
    std::vector<Recipient> out;
    if (!obj.contains(key)) return out;
    const json& list = obj.at(key);
    if (!list.is_array()) fail(where, std::string("\"") + key + "\" must be an array");
    for (size_t i = 0; i < list.size(); ++i) {
      const std::string at = where + "." + key + "[" + std::to_string(i) + "]";
      if (list[i].is_string()) {
        out.push_back({"", list[i].get<std::string>()});
        continue;
      }
      only_keys(list[i], at, {"name", "address"});
      out.push_back({text(list[i], "name", at), text(list[i], "address", at)});
    }
    return out;
  }

  FieldValue field(const std::string& name, const json& value, const std::string& where) const {
    FieldValue out;
    const bool multi = name.rfind("M", 0) == 0;
    if (name[0] == 'T') {
      out.filetime = date(value, where);
      if (!out.filetime) fail(where, "field " + name + " needs a date");
      return out;
    }
    auto scalar = [&](const json& v) -> std::string {
      if (v.is_string()) return v.get<std::string>();
      if (name[0] == 'B' && v.is_boolean()) return v.get<bool>() ? "true" : "false";
      if (name[0] == 'L' && v.is_number_integer()) return std::to_string(v.get<int64_t>());
      fail(where, "field " + name + " has a value of the wrong kind");
    };
    if (multi) {
      if (!value.is_array() || value.empty())
        fail(where, "multi-valued field " + name + " needs a non-empty array");
      for (const json& v : value) out.texts.push_back(scalar(v));
    } else {
      out.texts.push_back(scalar(value));
    }
    if (name[0] == 'L') {
      const std::string& t = out.texts.front();
      try {
        size_t used = 0;
        const long long v = std::stoll(t, &used);
        if (used != t.size() || v < INT32_MIN || v > INT32_MAX) throw std::out_of_range(t);
      } catch (const std::logic_error&) {
        fail(where, "field " + name + " needs a 32-bit integer");
      }
    }
    if (name[0] == 'B' && out.texts.front() != "true" && out.texts.front() != "false")
      fail(where, "field " + name + " needs true or false");
    return out;
  }

  Message message(const json& obj, const std::string& where) const {
    only_keys(obj, where,
              {"class", "subject", "subject_prefix", "sender_name", "sender_address", "to", "cc",
               "bcc", "date", "submit_date", "delivery_date", "creation_date", "headers", "body",
               "html", "rtf", "attachments", "fields", "sparse_msg_record"});
    Message m;
    m.message_class = text(obj, "class", where, "IPM.Note");
    m.subject = text(obj, "subject", where);
    m.subject_prefix = text(obj, "subject_prefix", where);
    m.sender_name = text(obj, "sender_name", where);
    m.sender_address = text(obj, "sender_address", where);
    m.to = recipients(obj, "to", where);
    m.cc = recipients(obj, "cc", where);
    m.bcc = recipients(obj, "bcc", where);
    if (obj.contains("date")) {
      const auto d = date(obj.at("date"), where);
      m.dates = {d, d, d};
    }
    if (obj.contains("submit_date")) m.dates.submit = date(obj.at("submit_date"), where);
    if (obj.contains("delivery_date")) m.dates.delivery = date(obj.at("delivery_date"), where);
    if (obj.contains("creation_date")) m.dates.creation = date(obj.at("creation_date"), where);
    if (obj.contains("headers")) {
      const json& h = obj.at("headers");
      if (!h.is_array()) fail(where, "\"headers\" must be an array of header lines");
      for (const json& line : h) {
        if (!line.is_string() || line.get<std::string>().find_first_of("\r\n") != std::string::npos)
          fail(where, "each header must be one line of text");
        if (!is_printable_ascii(line.get<std::string>()))
          fail(where, "transport header lines must be printable ASCII");
        m.extra_headers.push_back(line.get<std::string>());
      }
    }
    if (obj.contains("sparse_msg_record")) {
      if (!obj.at("sparse_msg_record").is_boolean()) fail(where, "\"sparse_msg_record\" must be true or false");
      m.sparse_msg_record = obj.at("sparse_msg_record").get<bool>();
    }
    m.body_text = text(obj, "body", where);
    m.body_html = text(obj, "html", where);
    m.body_rtf_text = text(obj, "rtf", where);
    if (obj.contains("attachments")) {
      const json& list = obj.at("attachments");
      if (!list.is_array()) fail(where, "\"attachments\" must be an array");
      for (size_t i = 0; i < list.size(); ++i) {
        const std::string at = where + ".attachments[" + std::to_string(i) + "]";
        only_keys(list[i], at, {"name", "content", "size", "random", "mime_type"});
        Attachment a;
        a.name = text(list[i], "name", at);
        a.mime_type = text(list[i], "mime_type", at);
        if (list[i].contains("content") == list[i].contains("size"))
          fail(at, "give exactly one of \"content\" and \"size\"");
        if (list[i].contains("size")) {
          const json& size = list[i].at("size");
          if (!size.is_number_unsigned() || size.get<uint64_t>() > (uint64_t{512} << 20))
            fail(at, "\"size\" must be a number of bytes up to 512 MiB");
          const bool random = list[i].contains("random") && list[i].at("random").is_boolean() && list[i].at("random").get<bool>();
          a.content = random ? random_content(a.name, size.get<size_t>()) : filler_content(a.name, size.get<size_t>());
        } else {
          a.content = bytes_of(text(list[i], "content", at));
        }
        m.attachments.push_back(std::move(a));
      }
    }
    if (obj.contains("fields")) {
      const json& fields = obj.at("fields");
      if (!fields.is_object()) fail(where, "\"fields\" must be an object");
      for (const auto& item : fields.items()) {
        if (!known_field_prefix(item.key()))
          fail(where, "field name \"" + item.key() +
                          "\" is not a type letter (S, N, T, L, B, MS, MN) and a hex property");
        m.fields[item.key()] = field(item.key(), item.value(), where + ".fields." + item.key());
      }
    }
    try {  // every text must become UTF-16
      for (const std::string* s : {&m.subject, &m.subject_prefix, &m.sender_name,
                                   &m.sender_address, &m.body_text, &m.body_rtf_text})
        (void)utf16le(*s);
    } catch (const std::invalid_argument&) {
      fail(where, "text is not valid UTF-8");
    }
    return m;
  }

  Folder folder(const json& obj, const std::string& where, int depth) const {
    if (depth > 200) fail(where, "folders nested deeper than 200 levels");
    only_keys(obj, where, {"name", "class", "messages", "folders"});
    if (!obj.contains("name")) fail(where, "a folder needs a \"name\"");
    Folder f;
    f.name = text(obj, "name", where);
    f.container_class = text(obj, "class", where);
    if (obj.contains("messages")) {
      const json& list = obj.at("messages");
      if (!list.is_array()) fail(where, "\"messages\" must be an array");
      for (size_t i = 0; i < list.size(); ++i)
        f.messages.push_back(message(list[i], where + ".messages[" + std::to_string(i) + "]"));
    }
    f.children = folders(obj, "folders", where, depth + 1);
    return f;
  }

  std::vector<Folder> folders(const json& obj, const char* key, const std::string& where,
                              int depth) const {
    std::vector<Folder> out;
    if (!obj.contains(key)) return out;
    const json& list = obj.at(key);
    if (!list.is_array()) fail(where, std::string("\"") + key + "\" must be an array");
    const std::string prefix = where.empty() ? key : where + "." + key;
    for (size_t i = 0; i < list.size(); ++i)
      out.push_back(folder(list[i], prefix + "[" + std::to_string(i) + "]", depth));
    return out;
  }

  Scenario scenario(const json& root) const {
    only_keys(root, "", {"description", "mailboxes", "public_folders"});
    Scenario s;
    if (root.contains("mailboxes")) {
      const json& list = root.at("mailboxes");
      if (!list.is_array()) fail("", "\"mailboxes\" must be an array");
      std::set<uint64_t> numbers;
      for (size_t i = 0; i < list.size(); ++i) {
        const std::string at = "mailboxes[" + std::to_string(i) + "]";
        only_keys(list[i], at, {"number", "display_name", "owner_name", "folders"});
        Mailbox m;
        if (!list[i].contains("number") || !list[i].at("number").is_number_unsigned() ||
            list[i].at("number").get<uint64_t>() == 0 ||
            list[i].at("number").get<uint64_t>() > INT32_MAX)
          fail(at, "\"number\" must be a mailbox number from 1 to 2147483647");
        m.number = list[i].at("number").get<uint64_t>();
        if (!numbers.insert(m.number).second)
          fail(at, "mailbox number " + std::to_string(m.number) + " is used twice");
        m.display_name = text(list[i], "display_name", at);
        m.owner_name = text(list[i], "owner_name", at, m.display_name);
        m.folders = folders(list[i], "folders", at, 1);
        s.mailboxes.push_back(std::move(m));
      }
    }
    s.public_folders = folders(root, "public_folders", "", 1);
    if (s.mailboxes.empty() && s.public_folders.empty())
      fail("", "the scenario has neither \"mailboxes\" nor \"public_folders\"");
    return s;
  }

 private:
  std::string source_;
};

}  // namespace

Scenario parse_scenario_text(const std::string& json_text, const std::string& source_name) {
  Parser parser(source_name);
  json root;
  try {
    root = json::parse(json_text);
  } catch (const json::parse_error& e) {
    std::string what = e.what();
    if (const size_t cut = what.find('\n'); cut != std::string::npos) what.resize(cut);
    throw ScenarioError(source_name + ": not valid JSON (" + what + ")");
  }
  try {
    return parser.scenario(root);
  } catch (const json::exception& e) {
    throw ScenarioError(source_name + ": " + e.what());
  }
}

Scenario load_scenario(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw ScenarioError(file.string() + ": cannot be read");
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) throw ScenarioError(file.string() + ": cannot be read");
  return parse_scenario_text(text.str(), file.string());
}

}  // namespace edbgen
