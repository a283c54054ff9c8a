#pragma once
// Shows a scan on the terminal: status texts and warnings on stderr, and a progress bar with
// a percentage when stderr is a terminal.
#include <cstdint>
#include <cstdio>
#include <string>

#include "scan/scan_observer.hpp"

namespace quorvine::cli {

class TerminalObserver final : public scan::ScanObserver {
 public:
  // Everything, or only warnings and errors (for commands whose scan is a means to an end).
  enum class Shows { Everything, WarningsOnly };
  explicit TerminalObserver(std::FILE* out = stderr, Shows shows = Shows::Everything);
  ~TerminalObserver() override;

  void status(std::string_view text) override;
  void preview_notice(std::string_view html) override {}
  void progress_range(uint64_t maximum) override;
  void progress_position(uint64_t position) override;
  void progress_text(std::string_view text) override;
  void tree_item_added(const scan::MailboxTree& tree, scan::TreeItem item) override {}
  void control_enabled(scan::Control control, bool enabled) override {}
  void message_box(std::string_view text, std::string_view caption) override;
  void warning(std::string_view text) override;

  // Prints a line of its own (clearing a drawn bar first).
  void line(std::string_view text);
  // A line that only a full display shows.
  void note(std::string_view text);

 private:
  void draw_bar();
  void clear_bar();

  std::FILE* out_;
  Shows shows_;
  bool terminal_;
  uint64_t maximum_ = 100;
  uint64_t position_ = 0;
  int drawn_percent_ = -1;
  bool bar_visible_ = false;
  std::string bar_text_;
  std::string last_status_;
};

}  // namespace quorvine::cli
