#pragma once
// Shows a scan on the terminal: status texts (--verbose), notes and warnings (not --quiet) on
// stderr, and a progress bar with a percentage when stderr is a terminal (not --quiet).
#include <cstdint>
#include <cstdio>
#include <string>

#include "cli/verbosity.hpp"
#include "scan/scan_observer.hpp"

namespace quorvine::cli {

class TerminalObserver final : public scan::ScanObserver {
 public:
  explicit TerminalObserver(Verbosity verbosity, std::FILE* out = stderr);
  ~TerminalObserver() override;

  void status(std::string_view text) override;
  void preview_notice(std::string_view html) override {}
  void progress_range(uint64_t maximum) override;
  void progress_position(uint64_t position) override;
  void progress_text(std::string_view text) override;
  void tree_item_added(const scan::AddedTreeItem&) override {}
  void control_enabled(scan::Control control, bool enabled) override {}
  void message_box(std::string_view text, std::string_view caption) override;
  void warning(std::string_view text) override;

  // Prints a line of its own (clearing a drawn bar first), whatever the verbosity: errors.
  void line(std::string_view text);
  // A line that --quiet leaves out.
  void note(std::string_view text);

 private:
  void draw_bar();
  void clear_bar();

  std::FILE* out_;
  Verbosity verbosity_;
  bool terminal_;
  uint64_t maximum_ = 100;
  uint64_t position_ = 0;
  int drawn_percent_ = -1;
  bool bar_visible_ = false;
  std::string bar_text_;
  std::string last_status_;
};

}  // namespace quorvine::cli
