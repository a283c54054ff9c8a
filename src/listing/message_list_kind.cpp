#include "listing/message_list_kind.hpp"

#include <array>

namespace quorvine::listing {
namespace {

constexpr std::string_view kHiddenCommon[] = {
    "IPM.Microsoft.FolderDesign.NamedView",  "IPF.Microsoft.FolderDesign.NamedView",
    "IPM.Sharing.Binding.In",                "IPF.Sharing.Binding.In",
    "IPM.Microsoft.MigrationStatus",         "IPF.Microsoft.MigrationStatus",
    "IPM.RuleOrganizer",                     "IPF.RuleOrganizer",
    "IPM.Configuration.RssRule",             "IPF.Configuration.RssRule",
    "IPM.ExtendedRule.Message",              "IPM.MessageManager",
    "IPF.MessageManager",                    "REPORT.IPM.Note.IPNRN",
    "REPORT.IPF.Note.IPNRN",                 "REPORT.IPM.Note.NDR",
    "REPORT.IPF.Note.NDR",                   "IPM.Schedule.Meeting.Resp.Pos",
    "IPF.Schedule.Meeting.Resp.Pos",         "IPM.Configuration.Calendar",
    "IPF.Configuration.Calendar",            "IPM.Configuration.WorkHours",
    "IPF.Configuration.WorkHours",           "IPM.Configuration.AvailabilityOptions",
    "IPF.Configuration.AvailabilityOptions", "IPM.SchedulePlus.ExpansionData",
    "IPF.SchedulePlus.ExpansionData",        "IPM.Configuration.CategoryList",
    "IPF.Configuration.CategoryList",        "IPM.Configuration.Pubcal",
    "IPF.Configuration.Pubcal",              "IPM.Configuration.HomeTimeZone",
    "IPF.Configuration.HomeTimeZone",        "IPC.MS.Outlook.AgingProperties",
    "IPC.Microsoft",                         "IPM.Microsoft",
    "IPM.Configuration",
};

struct KindRule {
  std::string_view message_class;
  std::string_view kind;
};

// Shared by all generations.
constexpr std::array<KindRule, 21> kCommonRules = {{
    {"IPM.Note", "mail"},
    {"IPF.Note", "mail"},
    {"REPORT.REPORT.IPM.Note.NDR.NDR", "mail"},
    {"IPM.Contact", "contact"},
    {"IPF.Contact", "contact"},
    {"IPM.DistList", "distlist"},
    {"IPF.DistList", "distlist"},
    {"IPM.Appointment", "appointment"},
    {"IPF.Appointment", "appointment"},
    {"IPM.Journal", "activity"},
    {"IPF.Journal", "activity"},
    {"IPM.Activity", "activity"},
    {"IPF.Activity", "activity"},
    {"IPM.Task", "task"},
    {"IPF.Task", "task"},
    {"IPM.TaskRequest", "task"},
    {"IPF.TaskRequest", "task"},
    {"IPM.Post.Rss", "rss"},
    {"IPF.Post.Rss", "rss"},
    {"IPM.StickyNote", "notes"},
    {"IPF.StickyNote", "notes"},
}};

constexpr std::array<KindRule, 5> kContents2007Rules = {{
    {"IPF.Schedule.Meeting.Request", "mail"},
    {"IPM.Schedule.Meeting.Request", "mail"},
    {"REPORT.REPORT.IPF.Note.NDR.NDR", "mail"},
    {"IPM.InkNotes", "notes"},
    {"IPF.InkNotes", "notes"},
}};

constexpr std::array<KindRule, 4> kHeader2010Rules = {{
    {"srvinfo.expiry", "mail"},
    {"IPF.Schedule.Meeting.Request", "mail"},
    {"IPM.Schedule.Meeting.Request", "mail"},
    {"REPORT.IPM.Note.Relayed.DR", "mail"},
}};

constexpr std::array<KindRule, 2> kHeader2013Rules = {{
    {"srvinfo.expiry", "mail"},
    {"REPORT.REPORT.IPF.Note.NDR.NDR", "mail"},
}};

template <size_t N>
std::optional<std::string_view> find_rule(const std::array<KindRule, N>& rules, std::string_view cls) {
  for (const auto& rule : rules)
    if (rule.message_class == cls) return rule.kind;
  return std::nullopt;
}

}  // namespace

bool is_hidden_message_class(std::string_view message_class, KindTable table) {
  for (std::string_view hidden : kHiddenCommon)
    if (hidden == message_class) return true;
  return table != KindTable::Contents2007 && message_class == "IPM.Configuration.ELC";
}

std::optional<std::string> message_kind(std::string_view message_class, KindTable table) {
  if (message_class.empty()) return std::string("mail");
  if (is_hidden_message_class(message_class, table)) return std::nullopt;
  if (auto kind = find_rule(kCommonRules, message_class)) return std::string(*kind);
  std::optional<std::string_view> specific;
  switch (table) {
    case KindTable::Contents2007: specific = find_rule(kContents2007Rules, message_class); break;
    case KindTable::Header2010: specific = find_rule(kHeader2010Rules, message_class); break;
    case KindTable::Header2013: specific = find_rule(kHeader2013Rules, message_class); break;
  }
  if (specific) return std::string(*specific);
  return std::string(message_class);
}

}  // namespace quorvine::listing
