#pragma once
// The scan's tree as the command line prints it: indented text, or the JSON node shape
// {"label","class","children"} shared with edbgen's manifests.
#include <string>

#include <nlohmann/json.hpp>

#include "scan/mailbox_tree.hpp"

namespace quorvine::cli {

// The nodes below the root.
nlohmann::ordered_json tree_to_json(const scan::MailboxTree& tree);
// Root label, then each item indented two spaces per level, folders with " [class]".
std::string tree_to_text(const scan::MailboxTree& tree);

}  // namespace quorvine::cli
