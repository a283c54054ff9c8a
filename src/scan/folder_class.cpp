#include "scan/folder_class.hpp"

namespace quorvine::scan {

std::string map_folder_class(std::string_view cls) {
  if (!cls.starts_with("IPF.") && !cls.starts_with("IPM.")) return "Folder";
  const std::string_view rest = cls.substr(4);
  if (rest == "Appointment") return "calendar";
  if (rest == "Journal") return "journal";
  if (rest == "Contact") return "contact";
  if (rest == "Task" || rest == "TaskRequest") return "task";
  if (rest == "StickyNote") return "note";
  return std::string(cls);
}

}  // namespace quorvine::scan
