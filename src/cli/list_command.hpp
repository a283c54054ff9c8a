#pragma once
// "quorvine list": scans a store quietly, then lists one folder's messages.
#include "cli/command.hpp"

namespace quorvine::cli {

Command list_command();

}  // namespace quorvine::cli
