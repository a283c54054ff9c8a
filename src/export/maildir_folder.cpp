#include "export/maildir_folder.hpp"

#include "export/mail_dates.hpp"
#include "export/mbox_file.hpp"

namespace quorvine::exporting {

MaildirFolder::MaildirFolder(std::filesystem::path directory) : directory_(std::move(directory)) {
  std::error_code error;
  for (const char* sub : {"cur", "new", "tmp"}) {
    std::filesystem::create_directories(directory_ / sub, error);
    if (error)
      throw MboxWriteError("cannot create the Maildir " + directory_.string() + ": " + error.message());
  }
}

std::string MaildirFolder::file_name(const MessageInfo& info, uint64_t number) {
  const auto seconds = info.filetime ? filetime_to_unix(*info.filetime) : std::nullopt;
  return std::to_string(seconds && *seconds > 0 ? *seconds : 0) + ".Q" + std::to_string(number) + ".quorvine:2," +
         (info.read ? "S" : "");
}

MaildirFolder::Place MaildirFolder::place(const MessageInfo& info) {
  const std::string name = file_name(info, ++started_);
  // tmp/ holds the name without its info part, as the convention has it.
  return {directory_ / "tmp" / name.substr(0, name.find(':')), directory_ / "cur" / name};
}

}  // namespace quorvine::exporting
