#include "ui/folder_icons.hpp"

#include <algorithm>
#include <array>
#include <initializer_list>
#include <string>

#include <QDir>

// Q_INIT_RESOURCE has to be used outside any namespace.
static void init_icon_resources() { Q_INIT_RESOURCE(icons); }

namespace quorvine::ui {
namespace {

bool one_of(std::string_view text, std::initializer_list<std::string_view> choices) {
  return std::find(choices.begin(), choices.end(), text) != choices.end();
}

}  // namespace

int folder_icon_index(std::string_view label, std::string_view folder_class) {
  std::string name(label);
  std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::toupper(c); });
  const std::string_view c = folder_class;
  if (name == "CALENDAR" ||
      one_of(c, {"calendar", "IPF.Appointment", "IPM.Appointment", "IPF_Appointment", "IPM_Appointment"}))
    return 3;
  if (name == "CONTACTS" || one_of(c, {"contact", "IPF.Contact", "IPM.Contact", "IPF_Contact", "IPM_Contact"}))
    return 4;
  if (name == "DELETED ITEMS") return 5;
  if (name == "DRAFTS") return 6;
  if (name == "INBOX") return 7;
  if (name == "JOURNAL" || one_of(c, {"journal", "IPF.Journal", "IPM.Journal", "IPF_Journal", "IPM_Journal",
                                       "IPF_Activity", "IPM_Activity", "IPF.Activity", "IPM.Activity"}))
    return 8;
  if (name == "JUNK E-MAILS") return 9;
  if (name == "NOTES" || one_of(c, {"note", "IPF.StickyNote", "IPM.StickyNote", "IPF_StickyNote", "IPM_StickyNote"}))
    return 10;
  if (name == "OUTBOX") return 11;
  if (name == "SENT ITEMS") return 12;
  if (name == "TASKS" || one_of(c, {"task", "IPF.Task", "IPM.Task", "IPF_Task", "IPM_Task"})) return 13;
  if (name == "SYNC ISSUES") return 14;
  return 0;
}

void register_icons() {
  static const bool registered = (init_icon_resources(), true);
  (void)registered;
}

const QList<QIcon>& folder_icons() {
  static const QList<QIcon> icons = [] {
    register_icons();
    QList<QIcon> list;
    const QStringList files = QDir(":/icons").entryList({"[0-9][0-9]-*.png"}, QDir::Files, QDir::Name);
    for (const QString& file : files) list.push_back(QIcon(":/icons/" + file));
    return list;
  }();
  return icons;
}

}  // namespace quorvine::ui
