#include "cli/export_progress.hpp"

#include <unistd.h>

#include <chrono>
#include <csignal>

namespace quorvine::cli {
namespace {

volatile std::sig_atomic_t interrupted_flag = 0;

extern "C" void on_interrupt(int signal) {
  if (interrupted_flag) {
    std::signal(signal, SIG_DFL);
    std::raise(signal);
  }
  interrupted_flag = 1;
}

}  // namespace

ExportProgress::ExportProgress(std::FILE* out, Verbosity verbosity)
    : out_(out),
      terminal_(verbosity != Verbosity::Quiet && ::isatty(::fileno(out)) == 1),
      verbose_(verbosity == Verbosity::Verbose) {}

ExportProgress::~ExportProgress() { clear(); }

void ExportProgress::clear() {
  if (!drawn_) return;
  std::fprintf(out_, "\r\033[K");
  std::fflush(out_);
  drawn_ = false;
}

void ExportProgress::draw() {
  if (!terminal_) return;
  const int percent = total_ ? static_cast<int>(done_ * 100 / total_) : 0;
  constexpr int kWidth = 30;
  const int filled = percent * kWidth / 100;
  std::string bar(static_cast<size_t>(filled), '#');
  bar.resize(kWidth, ' ');
  std::string folder = folder_.size() > 40 ? "..." + folder_.substr(folder_.size() - 37) : folder_;
  std::fprintf(out_, "\r[%s] %3d%% %s\033[K", bar.c_str(), percent, folder.c_str());
  std::fflush(out_);
  drawn_ = true;
}

void ExportProgress::folder_started(std::string_view, std::string_view folder_path) {
  folder_ = std::string(folder_path);
  draw();
}

void ExportProgress::log(std::string_view text) {
  if (!verbose_) return;
  clear();
  std::fprintf(out_, "%.*s\n", static_cast<int>(text.size()), text.data());
  draw();
}

void ExportProgress::progress(uint64_t done, uint64_t total) {
  done_ = done;
  total_ = total;
  draw();
}

InterruptStop::InterruptStop(std::stop_source source) {
  interrupted_flag = 0;
  std::signal(SIGINT, on_interrupt);
  std::signal(SIGTERM, on_interrupt);
  watcher_ = std::jthread([source](std::stop_token stop) mutable {
    while (!stop.stop_requested()) {
      if (interrupted_flag) {
        source.request_stop();
        return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  });
}

InterruptStop::~InterruptStop() {
  watcher_.request_stop();
  watcher_.join();
  std::signal(SIGINT, SIG_DFL);
  std::signal(SIGTERM, SIG_DFL);
}

bool InterruptStop::interrupted() const { return interrupted_flag != 0; }

}  // namespace quorvine::cli
