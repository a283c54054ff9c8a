#pragma once
// Copies a message file (CR LF, as the fallback builder writes it) into a sink, optionally
// with LF line ends.
#include <filesystem>

#include "ese/database.hpp"

namespace quorvine::exporting {

// False when the file cannot be read.
bool copy_message_file(const std::filesystem::path& eml, ese::ByteSink& out, bool lf_line_ends);

}  // namespace quorvine::exporting
