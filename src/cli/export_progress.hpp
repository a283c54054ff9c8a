#pragma once
// The export on the terminal: a progress bar with the percentage and the current folder on
// stderr when it is a terminal (not with --quiet), the log lines with --verbose, and Ctrl-C
// as a stop request.
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <stop_token>
#include <string>
#include <thread>

#include "cli/verbosity.hpp"
#include "ese/pass_control.hpp"
#include "export/export_report.hpp"

namespace quorvine::cli {

class ExportProgress final : public exporting::ExportObserver, public ese::ProgressObserver {
 public:
  ExportProgress(std::FILE* out, Verbosity verbosity);
  ~ExportProgress() override;
  void folder_started(std::string_view mailbox, std::string_view folder_path) override;
  void log(std::string_view text) override;
  void progress(uint64_t done, uint64_t total) override;
  void clear();

 private:
  void draw();
  std::FILE* out_;
  bool terminal_;
  bool verbose_;
  bool drawn_ = false;
  std::string folder_;
  uint64_t done_ = 0, total_ = 0;
};

// Turns SIGINT and SIGTERM into a stop request of `source` while it lives; a second signal
// ends the program at once.
class InterruptStop {
 public:
  explicit InterruptStop(std::stop_source source);
  ~InterruptStop();
  bool interrupted() const;

 private:
  std::jthread watcher_;
};

}  // namespace quorvine::cli
