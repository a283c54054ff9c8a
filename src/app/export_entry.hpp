#pragma once
// Where the two export dialogs reach the core's export. The whole-mailbox and the
// selected-items export run on the dialog's worker thread with its pass control.
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "ese/pass_control.hpp"
#include "scan/scan_session.hpp"

namespace quorvine::app {

struct ExportChoice {
  std::filesystem::path destination;
  std::vector<scan::TreeItem> checked_folders;  // whole-mailbox export
  scan::TreeItem folder = scan::root_tree_item;  // selected-items export
  std::vector<std::string> message_ids;          // selected-items export
  std::optional<std::pair<std::time_t, std::time_t>> dates;
};

// Whether this build carries the core's export.
bool export_available();

}  // namespace quorvine::app
