#include "export/output_names.hpp"

#include <algorithm>

#include "decode/text_passes.hpp"

namespace quorvine::exporting {
namespace {

constexpr size_t kNameMax = 255;

}  // namespace

std::string cut_utf8(std::string text, size_t limit) {
  if (text.size() <= limit) return text;
  size_t end = limit;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xc0) == 0x80) --end;
  text.resize(end);
  return text;
}

std::string safe_component(std::string_view name) {
  std::string safe(name);
  for (char& c : safe)
    if (c == '/' || static_cast<unsigned char>(c) < 0x20) c = '_';
  if (safe.empty() || safe == "." || safe == "..") return "_";
  // Reserve room for the temporary name an MBOX file is written under.
  return cut_utf8(std::move(safe), kNameMax - 40);
}

std::string mailbox_directory_name(std::string_view mailbox_name) {
  std::string name(mailbox_name);
  for (char& c : name)
    if (std::string_view(":\\/*?<>|\"").find(c) != std::string_view::npos) c = '_';
  return safe_component(name);
}

std::vector<std::string> folder_directory_components(const std::vector<std::string>& labels,
                                                     bool deleted_items_renamed) {
  std::vector<std::string> components;
  for (const std::string& label : labels) {
    std::string component = safe_component(label);
    if (deleted_items_renamed) decode::replace_all(component, "Deleted Items", "Deleted-Items");
    components.push_back(std::move(component));
  }
  return components;
}

std::vector<std::string> split_folder_path(std::string_view folder_path) {
  std::vector<std::string> labels;
  size_t begin = 0;
  while (begin < folder_path.size()) {
    size_t end = folder_path.find('\\', begin);
    if (end == std::string_view::npos) end = folder_path.size();
    if (end > begin) labels.emplace_back(folder_path.substr(begin, end - begin));
    begin = end + 1;
  }
  return labels;
}

}  // namespace quorvine::exporting
