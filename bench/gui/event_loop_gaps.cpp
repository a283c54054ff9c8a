// The window thread's responsiveness while the desktop application works on a big store:
// the longest gap between ticks of a 10 ms timer on the window thread during the scan and
// during the whole-store export, how often the status bar changed meanwhile, and how fast
// the workers answer "Stop" (pause), "Abort" and leaving the program.
// Usage: bench_gui_event_loop STORE.edb 2007|2010 WORK_FOLDER
#include <cstdio>
#include <filesystem>
#include <functional>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QTreeWidget>

#include "app/export_dialog.hpp"
#include "app/main_window.hpp"
#include "app/web_engine_environment.hpp"
#include "ui/folder_tree.hpp"
#include "ui/text_progress_bar.hpp"

using namespace quorvine;
namespace fs = std::filesystem;

namespace {

// Ticks on the window thread and watches what `shown` returns (the status bar's texts and
// progress) between ticks.
class Probe {
 public:
  explicit Probe(std::function<QString()> shown) : shown_text_(std::move(shown)) {
    timer_.setInterval(10);
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, [this] { tick(); });
  }

  void start() {
    longest_gap_ = longest_gap_end_ = longest_still_ = 0;
    changes_ = 0;
    clock_.start();
    last_tick_ = last_change_ = 0;
    shown_ = shown_text_();
    timer_.start();
  }
  void stop() { timer_.stop(); }
  qint64 elapsed() const { return clock_.elapsed(); }
  qint64 longest_gap() const { return longest_gap_; }
  qint64 longest_gap_end() const { return longest_gap_end_; }
  qint64 longest_still() const { return std::max(longest_still_, clock_.elapsed() - last_change_); }
  qint64 last_change() const { return last_change_; }
  int changes() const { return changes_; }

 private:
  void tick() {
    const qint64 now = clock_.elapsed();
    if (now - last_tick_ > longest_gap_) {
      longest_gap_ = now - last_tick_;
      longest_gap_end_ = now;
    }
    last_tick_ = now;
    const QString shown = shown_text_();
    if (shown != shown_) {
      shown_ = shown;
      ++changes_;
      longest_still_ = std::max(longest_still_, now - last_change_);
      last_change_ = now;
    }
  }

  std::function<QString()> shown_text_;
  QTimer timer_;
  QElapsedTimer clock_;
  qint64 last_tick_ = 0, last_change_ = 0, longest_gap_ = 0, longest_gap_end_ = 0, longest_still_ = 0;
  int changes_ = 0;
  QString shown_;
};

// Runs the event loop until `done` holds or `limit_ms` passes; false on time-out.
bool wait_until(const std::function<bool()>& done, qint64 limit_ms) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > limit_ms) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  return true;
}

void wait_for(qint64 ms) { wait_until([] { return false; }, ms); }

void print_phase(const char* phase, const Probe& probe) {
  std::printf("%-7s %8.2f s  longest tick gap %5lld ms (target 100), ending at %.2f s  status bar changed %6d times,"
              " longest still %5lld ms\n",
              phase, probe.elapsed() / 1000.0, static_cast<long long>(probe.longest_gap()),
              probe.longest_gap_end() / 1000.0, probe.changes(), static_cast<long long>(probe.longest_still()));
}

int fail(const char* why) {
  std::fprintf(stderr, "bench_gui_event_loop: %s\n", why);
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  app::prepare_web_engine_environment();
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", QByteArray("offscreen"));
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QApplication application(argc, argv);
  std::setvbuf(stdout, nullptr, _IOLBF, 0);  // figures show as they come, also into a file
  if (argc != 4) return fail("usage: bench_gui_event_loop STORE.edb 2007|2010 WORK_FOLDER");
  const fs::path work = argv[3];
  app::StoreChoice choice;
  choice.database = argv[1];
  choice.version = std::string(argv[2]) == "2007" ? decode::Generation::V2007 : decode::Generation::V2010;
  choice.temp_folder = work / "temp";

  QString last_message;
  app::MainWindow window;
  window.setPrompt([&](QWidget*, QMessageBox::Icon, const QString& text, const QString&, QMessageBox::StandardButtons) {
    last_message = text;
    return QMessageBox::Yes;
  });
  window.resize(1200, 800);
  window.show();
  // The main window's status bar, or the export dialog's progress while one is open.
  app::ExportDialog* dialog = nullptr;
  Probe probe([&] {
    const ui::TextProgressBar* bar = dialog ? dialog->progressBar() : window.progressBar();
    return window.statusText() + '|' + bar->displayText() + '|' + QString::number(bar->position());
  });
  const qint64 hour = 3600 * 1000;
  auto scanning = [&] { return window.state() == app::MainWindow::State::Scanning || window.workerBusy(); };

  // The whole scan.
  probe.start();
  window.openStore(choice);
  if (!wait_until([&] { return !scanning(); }, hour)) return fail("the scan did not end");
  probe.stop();
  if (window.state() != app::MainWindow::State::Scanned) return fail("the scan did not complete");
  print_phase("scan", probe);
  const qint64 scan_ms = probe.elapsed();

  // The whole store through "Save Mailbox".
  window.tree()->clickCheckBox(window.tree()->topLevelItem(0));
  window.saveMailbox();
  dialog = window.exportDialog();
  if (!dialog) return fail("Save Mailbox opened no dialog");
  dialog->chooseDestination(QString::fromStdString((work / "export").string()));
  probe.start();
  dialog->startExport();
  if (!wait_until([&] { return !dialog->running(); }, hour)) return fail("the export did not end");
  probe.stop();
  print_phase("export", probe);
  std::printf("        closing message: %s\n", qPrintable(last_message));
  const qint64 export_ms = probe.elapsed();
  dialog->exitOrAbort();

  // "Abort" a third of the way into a second export: the time until the worker has ended.
  window.saveMailbox();
  dialog = window.exportDialog();
  dialog->chooseDestination(QString::fromStdString((work / "aborted").string()));
  dialog->startExport();
  wait_for(export_ms / 3);
  if (!dialog->running()) return fail("the second export ended before it could be aborted");
  QElapsedTimer answer;
  answer.start();
  dialog->exitOrAbort();
  if (!wait_until([&] { return !dialog->running(); }, 60000)) return fail("Abort was not answered in a minute");
  std::printf("abort   answered in %lld ms (Abort to the worker's end): %s\n", static_cast<long long>(answer.elapsed()),
              qPrintable(last_message));
  dialog->exitOrAbort();

  dialog = nullptr;
  if (scan_ms < 1000) {
    std::printf("stop    not measured: the scan takes %lld ms, too short to press Stop in\n",
                static_cast<long long>(scan_ms));
    return 0;
  }

  // "Stop" a third of the way into a second scan: the status bar must stand still until
  // "Resume"; then leaving the program while the scan runs again.
  probe.start();
  window.openStore(choice);
  wait_for(scan_ms / 3);
  if (!scanning()) return fail("the second scan ended before it could be stopped");
  const qint64 pressed = probe.elapsed();
  window.stopOrResume();
  wait_for(1500);
  const qint64 settled = probe.last_change() - pressed;
  const int changes = probe.changes();
  wait_for(1000);
  const bool still = probe.changes() == changes && scanning();
  std::printf("stop    last status-bar change %lld ms after Stop; %s for the next second\n",
              static_cast<long long>(std::max<qint64>(settled, 0)), still ? "still" : "STILL MOVING");
  window.stopOrResume();
  wait_for(scan_ms / 4);
  const bool resumed = probe.changes() > changes;
  probe.stop();
  std::printf("resume  the status bar %s after Resume\n", resumed ? "moved again" : "DID NOT MOVE");
  if (!scanning()) return fail("the resumed scan ended before the program was left");
  answer.restart();
  window.close();
  std::printf("leave   answered in %lld ms (closing the window to the worker's end), worker %s\n",
              static_cast<long long>(answer.elapsed()), window.workerBusy() ? "STILL RUNNING" : "ended");
  return still && resumed && !window.workerBusy() ? 0 : 1;
}
