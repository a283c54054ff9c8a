// quorvine-gui: the desktop application.
#include <cstdio>

#include <QApplication>
#include <QTimer>

#include "app/command_line.hpp"
#include "app/main_window.hpp"
#include "app/web_engine_environment.hpp"

namespace {

std::vector<std::string> arguments_of(int argc, char** argv) { return {argv + (argc > 0 ? 1 : 0), argv + argc}; }

}  // namespace

int main(int argc, char** argv) {
  using quorvine::app::GuiCommandLine;
  // --help and --version answer without a display, before the toolkit starts.
  if (const auto early = quorvine::app::early_action(arguments_of(argc, argv))) {
    if (*early == GuiCommandLine::Action::Help) std::fputs(quorvine::app::gui_help_text().c_str(), stdout);
    else std::puts("quorvine-gui " QUORVINE_VERSION);
    return 0;
  }
  quorvine::app::prepare_web_engine_environment();
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QApplication application(argc, argv);  // takes the toolkit's own options out of argv
  const GuiCommandLine line = quorvine::app::parse_gui_command_line(arguments_of(argc, argv));
  if (line.action == GuiCommandLine::Action::Usage) {
    std::fprintf(stderr, "quorvine-gui: %s\n%s", line.error.c_str(), quorvine::app::gui_help_text().c_str());
    return 1;
  }
  QApplication::setApplicationName("Quorvine EDB to MBOX Converter");
  QApplication::setDesktopFileName("quorvine-gui");
  quorvine::app::MainWindow window;
  window.showMaximized();
  // The file-selection dialog is the first thing the user sees, unless a store was named.
  QTimer::singleShot(0, &window, [&window, &line] {
    if (line.store) window.openAtStart(*line.store, line.version);
    else window.browse(true);
  });
  return application.exec();
}
