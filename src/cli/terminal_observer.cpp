#include "cli/terminal_observer.hpp"

#include <unistd.h>

#include <algorithm>

#include "decode/text_passes.hpp"

namespace quorvine::cli {

TerminalObserver::TerminalObserver(Verbosity verbosity, std::FILE* out)
    : out_(out), verbosity_(verbosity), terminal_(verbosity != Verbosity::Quiet && ::isatty(::fileno(out)) == 1) {}

TerminalObserver::~TerminalObserver() { clear_bar(); }

void TerminalObserver::line(std::string_view text) {
  clear_bar();
  std::fprintf(out_, "%.*s\n", static_cast<int>(text.size()), text.data());
  std::fflush(out_);
}

void TerminalObserver::note(std::string_view text) {
  if (verbosity_ != Verbosity::Quiet) line(text);
}

void TerminalObserver::status(std::string_view text) {
  if (verbosity_ != Verbosity::Verbose) return;
  // The per-folder texts of the tree build would flood a log: a terminal shows them in
  // passing, a pipe not at all.
  if (text.starts_with("Status: (Step 4/7) Rebuild mailbox folders informations ( ")) {
    if (terminal_) {
      clear_bar();
      std::fprintf(out_, "\r%.*s\033[K", static_cast<int>(std::min<size_t>(text.size(), 78)),
                   text.data());
      std::fflush(out_);
      bar_visible_ = true;
    }
    return;
  }
  const std::string_view shown = decode::trim(text);
  // The window repeats a status per folder; a terminal shows each text once.
  if (shown.empty() || shown == last_status_) return;
  last_status_ = std::string(shown);
  line(shown);
}

void TerminalObserver::progress_range(uint64_t maximum) {
  maximum_ = std::max<uint64_t>(maximum, 1);
  drawn_percent_ = -1;
}

void TerminalObserver::progress_position(uint64_t position) {
  position_ = position;
  if (position == 0) {
    clear_bar();
    maximum_ = 100;
    return;
  }
  draw_bar();
}

void TerminalObserver::progress_text(std::string_view text) {
  bar_text_ = std::string(decode::trim(text));
  drawn_percent_ = -1;
}

void TerminalObserver::message_box(std::string_view text, std::string_view caption) {
  if (verbosity_ != Verbosity::Verbose) return;
  const std::string_view shown = decode::trim(text);
  if (shown == last_status_) return;  // the status line already said it
  last_status_ = std::string(shown);
  line(shown);
}

void TerminalObserver::warning(std::string_view text) {
  if (verbosity_ == Verbosity::Quiet) return;
  std::string shown = "warning: ";
  shown += text;
  line(shown);
}

void TerminalObserver::draw_bar() {
  if (!terminal_) return;
  const int percent = static_cast<int>(std::min<uint64_t>(position_, maximum_) * 100 / maximum_);
  if (percent == drawn_percent_) return;
  drawn_percent_ = percent;
  constexpr int width = 40;
  const int filled = percent * width / 100;
  std::string bar(static_cast<size_t>(filled), '#');
  bar.append(static_cast<size_t>(width - filled), '-');
  std::fprintf(out_, "\r[%s] %3d%% %s", bar.c_str(), percent, bar_text_.c_str());
  std::fflush(out_);
  bar_visible_ = true;
}

void TerminalObserver::clear_bar() {
  if (!bar_visible_) return;
  std::fprintf(out_, "\r\033[K");
  std::fflush(out_);
  bar_visible_ = false;
  drawn_percent_ = -1;
}

}  // namespace quorvine::cli
