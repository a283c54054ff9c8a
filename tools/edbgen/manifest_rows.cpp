#include "edbgen/manifest_rows.hpp"

#include <set>

#include "edbgen/exchange_text.hpp"

namespace edbgen {
namespace {

bool in(const std::string& s, std::initializer_list<const char*> list) {
  for (const char* item : list)
    if (s == item) return true;
  return false;
}

const std::set<std::string>& hidden_classes(Generation g) {
  static const std::set<std::string> common = {
      "IPM.Microsoft.FolderDesign.NamedView", "IPF.Microsoft.FolderDesign.NamedView",
      "IPM.Sharing.Binding.In", "IPF.Sharing.Binding.In", "IPM.Microsoft.MigrationStatus",
      "IPF.Microsoft.MigrationStatus", "IPM.RuleOrganizer", "IPF.RuleOrganizer",
      "IPM.Configuration.RssRule", "IPF.Configuration.RssRule", "IPM.ExtendedRule.Message",
      "IPM.MessageManager", "IPF.MessageManager", "REPORT.IPM.Note.IPNRN",
      "REPORT.IPF.Note.IPNRN", "REPORT.IPM.Note.NDR", "REPORT.IPF.Note.NDR",
      "IPM.Schedule.Meeting.Resp.Pos", "IPF.Schedule.Meeting.Resp.Pos",
      "IPM.Configuration.Calendar", "IPF.Configuration.Calendar", "IPM.Configuration.WorkHours",
      "IPF.Configuration.WorkHours", "IPM.Configuration.AvailabilityOptions",
      "IPF.Configuration.AvailabilityOptions", "IPM.SchedulePlus.ExpansionData",
      "IPF.SchedulePlus.ExpansionData", "IPM.Configuration.CategoryList",
      "IPF.Configuration.CategoryList", "IPM.Configuration.Pubcal", "IPF.Configuration.Pubcal",
      "IPM.Configuration.HomeTimeZone", "IPF.Configuration.HomeTimeZone",
      "IPC.MS.Outlook.AgingProperties", "IPC.Microsoft", "IPM.Microsoft", "IPM.Configuration"};
  static const std::set<std::string> with_elc = [] {
    std::set<std::string> s = common;
    s.insert("IPM.Configuration.ELC");
    return s;
  }();
  return g == Generation::Ex2007 ? common : with_elc;
}

std::string strip_quotes(std::string s) { return replace_all(std::move(s), "\"", ""); }

std::string brackets(std::string s) {
  s = replace_all(std::move(s), "<", "[");
  return replace_all(std::move(s), ">", "]");
}

std::string trim(const std::string& s) {
  const char* blanks = " \t\r\n";
  const size_t b = s.find_first_not_of(blanks);
  if (b == std::string::npos) return "";
  return s.substr(b, s.find_last_not_of(blanks) - b + 1);
}

struct DatePick {
  std::string text;
  std::optional<uint64_t> filetime;
};

// The first date whose text decodes; a text in the "(0x" form counts as empty.
DatePick pick_date(std::initializer_list<std::optional<uint64_t>> columns) {
  DatePick first_stored;
  for (const auto& ft : columns) {
    if (!ft) continue;
    if (!first_stored.filetime) first_stored.filetime = ft;
    const std::string text = filetime_text(*ft);
    if (text.rfind("(0x", 0) != 0) return {text, ft};
  }
  return {"", first_stored.filetime};
}

std::string sender_2007(const Message& m, const HeaderFields& h,
                        const std::vector<std::string>& owner_names) {
  std::string sender;
  if (!m.sender_name.empty() || !m.sender_address.empty()) {
    sender = m.sender_name;
    if (!m.sender_address.empty() && plausible_address(m.sender_address))
      sender += "<" + m.sender_address + ">";
  }
  // The fallback columns the layout leaves out give nothing; the transport "From" line does.
  if (sender.empty()) sender = strip_quotes(h.from);
  sender = brackets(sender);
  if (!sender.empty()) {
    const std::string original = sender;
    for (const std::string& owner : owner_names)
      if (original.find(owner) != std::string::npos) sender = owner;
  }
  return strip_quotes(trim(sender));
}

}  // namespace

std::optional<std::string> list_kind(Generation g, const std::string& c) {
  if (hidden_classes(g).count(c)) return std::nullopt;
  if (in(c, {"", "IPM.Note", "IPF.Note", "REPORT.REPORT.IPM.Note.NDR.NDR"})) return "mail";
  if (g == Generation::Ex2007 || g == Generation::Ex2010) {
    if (in(c, {"IPF.Schedule.Meeting.Request", "IPM.Schedule.Meeting.Request"})) return "mail";
  }
  if (g == Generation::Ex2007 && in(c, {"REPORT.REPORT.IPF.Note.NDR.NDR"})) return "mail";
  if (g == Generation::Ex2010 && in(c, {"REPORT.IPM.Note.Relayed.DR", "srvinfo.expiry"}))
    return "mail";
  if (g == Generation::Ex2013 && in(c, {"REPORT.REPORT.IPF.Note.NDR.NDR", "srvinfo.expiry"}))
    return "mail";
  if (in(c, {"IPM.Contact", "IPF.Contact"})) return "contact";
  if (in(c, {"IPM.DistList", "IPF.DistList"})) return "distlist";
  if (in(c, {"IPM.Appointment", "IPF.Appointment"})) return "appointment";
  if (in(c, {"IPM.Journal", "IPF.Journal", "IPM.Activity", "IPF.Activity"})) return "activity";
  if (in(c, {"IPM.Task", "IPF.Task", "IPM.TaskRequest", "IPF.TaskRequest"})) return "task";
  if (in(c, {"IPM.Post.Rss", "IPF.Post.Rss"})) return "rss";
  if (in(c, {"IPM.StickyNote", "IPF.StickyNote"})) return "notes";
  if (g == Generation::Ex2007 && in(c, {"IPM.InkNotes", "IPF.InkNotes"})) return "notes";
  return c;
}

std::string tree_folder_class(const std::string& c) {
  if (c.rfind("IPF.", 0) != 0 && c.rfind("IPM.", 0) != 0) return "Folder";
  if (in(c, {"IPF.Appointment", "IPM.Appointment"})) return "calendar";
  if (in(c, {"IPF.Journal", "IPM.Journal"})) return "journal";
  if (in(c, {"IPF.Contact", "IPM.Contact"})) return "contact";
  if (in(c, {"IPF.Task", "IPM.Task", "IPF.TaskRequest", "IPM.TaskRequest"})) return "task";
  if (in(c, {"IPF.StickyNote", "IPM.StickyNote"})) return "note";
  return c;
}

bool plausible_address(const std::string& address) {
  size_t count = 0;
  for (char c : address) count += (c == '.' || c == '@');
  return count > 1;
}

HeaderFields header_fields(const std::string& headers) {
  // The reader writes each UTF-16 byte from 1 to 125 as a character and drops the rest.
  std::string filtered;
  for (uint8_t b : utf16le(headers))
    if (b >= 1 && b <= 125) filtered.push_back(static_cast<char>(b));
  HeaderFields f;
  size_t start = 0;
  while (start < filtered.size()) {
    size_t end = filtered.find('\n', start);
    if (end == std::string::npos) end = filtered.size();
    std::string line = filtered.substr(start, end - start);
    start = end + 1;
    while (!line.empty() && line.back() == '\r') line.pop_back();
    line = replace_all(line, "Envelope-to:", "Envelope:");
    line = replace_all(line, "Reply-To:", "Reply:");
    auto value = [&](const char* prefix) -> std::optional<std::string> {
      const std::string p(prefix);
      if (line.rfind(p, 0) != 0) return std::nullopt;
      return line.substr(p.size());
    };
    if (auto v = value("Subject: ")) f.subject = *v;
    else if (auto v = value("To: ")) f.to = strip_quotes(brackets(*v));
    else if (auto v = value("From: ")) f.from = strip_quotes(brackets(*v));
    else if (auto v = value("Cc: ")) f.cc = strip_quotes(brackets(*v));
    else if (auto v = value("Bcc: ")) f.bcc = strip_quotes(brackets(*v));
  }
  return f;
}

std::optional<ManifestRow> list_row(Generation g, const Message& m,
                                    const std::vector<std::string>& owner_names) {
  const auto kind = list_kind(g, m.message_class);
  if (!kind) return std::nullopt;
  ManifestRow row;
  row.kind = *kind;
  row.message = &m;
  row.attachment = !m.attachments.empty();
  switch (g) {
    case Generation::Ex2007: {
      const HeaderFields h = header_fields(transport_headers(m));
      row.from = sender_2007(m, h, owner_names);
      if (row.from.empty() && m.subject.empty()) return std::nullopt;
      row.subject = m.subject_prefix + m.subject;
      const DatePick d = pick_date({m.dates.submit, m.dates.delivery, m.dates.creation});
      row.date_utc = d.text, row.filetime = d.filetime;
      row.to = h.to, row.cc = h.cc, row.bcc = h.bcc;
      return row;
    }
    case Generation::Ex2010: {
      row.from = m.sender_name;
      row.subject = m.subject_prefix + m.subject;
      if (row.subject.empty()) row.subject = m.subject;
      if (row.from.empty() && row.subject.empty()) return std::nullopt;
      const DatePick d = pick_date({m.dates.delivery, m.dates.creation, m.dates.submit});
      row.date_utc = d.text, row.filetime = d.filetime;
      return row;
    }
    case Generation::Ex2013: {
      // The 2013 list takes sender, subject and prefix from these columns, as stored.
      row.from = hex_bytes(recipient_list_blob(m));
      const std::string prefix = hex_bytes(subobjects_blob(m));
      row.subject = prefix + display_to(m);
      if (row.from.empty() && row.subject.empty()) return std::nullopt;
      const DatePick d = pick_date({m.dates.delivery, m.dates.submit});
      row.date_utc = d.text, row.filetime = d.filetime;
      return row;
    }
  }
  return std::nullopt;
}

}  // namespace edbgen
