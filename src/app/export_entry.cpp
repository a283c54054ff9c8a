#include "app/export_entry.hpp"

namespace quorvine::app {

// The core's export (src/export) is not part of this build yet; the window says so instead
// of opening the export dialogs.
bool export_available() { return false; }

}  // namespace quorvine::app
