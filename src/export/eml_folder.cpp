#include "export/eml_folder.hpp"

#include <ctime>

#include "export/mail_dates.hpp"
#include "export/mbox_file.hpp"
#include "export/output_names.hpp"

namespace quorvine::exporting {
namespace {

constexpr size_t kSubjectBytes = 100;

}  // namespace

EmlFolder::EmlFolder(std::filesystem::path directory) : directory_(std::move(directory)) {
  std::error_code error;
  std::filesystem::create_directories(directory_, error);
  if (error) throw MboxWriteError("cannot create the folder " + directory_.string() + ": " + error.message());
}

std::string EmlFolder::base_name(const MessageInfo& info) {
  std::string date = "undated";
  if (auto seconds = info.filetime ? filetime_to_unix(*info.filetime) : std::nullopt) {
    std::tm tm{};
    gmtime_r(&*seconds, &tm);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H%M%S", &tm);
    date = text;
  }
  std::string subject = cut_utf8(info.subject, kSubjectBytes);
  while (!subject.empty() && (subject.back() == ' ' || subject.back() == '.')) subject.pop_back();
  // The same characters a mailbox directory's name gives up, and nothing that leaves the folder.
  return date + " " + (subject.empty() ? std::string("(no subject)") : mailbox_directory_name(subject));
}

EmlFolder::Place EmlFolder::place(const MessageInfo& info) {
  const std::string base = base_name(info);
  std::string name = base + ".eml";
  for (int n = 2; taken_.count(name); ++n) name = base + " (" + std::to_string(n) + ").eml";
  taken_.insert(name);
  return {directory_ / ("." + name + ".partial"), directory_ / name};
}

}  // namespace quorvine::exporting
