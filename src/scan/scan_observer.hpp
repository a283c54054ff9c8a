#pragma once
// What the scan shows while it runs. The core never touches a window or a terminal: the scan
// reports to an observer, which the desktop application marshals onto its window thread and
// the command line prints.
#include <cstdint>
#include <string_view>

#include "scan/mailbox_tree.hpp"

namespace quorvine::scan {

// The controls the scan enables and disables.
enum class Control { BrowseButton, SaveMailboxButton, OpenCommand, SaveMailboxCommand, Tree };

class ScanObserver {
 public:
  virtual ~ScanObserver() = default;

  // The status pane's text ("" clears it).
  virtual void status(std::string_view text) = 0;
  // An HTML notice for the preview pane.
  virtual void preview_notice(std::string_view html) = 0;
  // Progress bar: range 0..maximum, position, and the text drawn on it.
  virtual void progress_range(uint64_t maximum) = 0;
  virtual void progress_position(uint64_t position) = 0;
  virtual void progress_text(std::string_view text) = 0;
  // A pass has ended: the text and the position go back together, so that the bar never
  // shows the last text beside the reset value ("Completed0%").
  virtual void progress_reset() {
    progress_text("");
    progress_position(0);
  }
  // An item was just added to the scan's tree.
  virtual void tree_item_added(const AddedTreeItem& added) = 0;
  virtual void control_enabled(Control control, bool enabled) = 0;
  // A system-modal information message box.
  virtual void message_box(std::string_view text, std::string_view caption) = 0;
  // Damaged data that was skipped, a dirty database, and similar things the user should know.
  virtual void warning(std::string_view text) = 0;
};

// Shows nothing; for callers that only want the session filled.
class SilentScanObserver final : public ScanObserver {
 public:
  void status(std::string_view) override {}
  void preview_notice(std::string_view) override {}
  void progress_range(uint64_t) override {}
  void progress_position(uint64_t) override {}
  void progress_text(std::string_view) override {}
  void tree_item_added(const AddedTreeItem&) override {}
  void control_enabled(Control, bool) override {}
  void message_box(std::string_view, std::string_view) override {}
  void warning(std::string_view) override {}
};

}  // namespace quorvine::scan
