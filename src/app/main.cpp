// quorvine-gui: the desktop application.
#include <QApplication>
#include <QTimer>

#include "app/main_window.hpp"
#include "app/web_engine_environment.hpp"

int main(int argc, char** argv) {
  quorvine::app::prepare_web_engine_environment();
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QApplication application(argc, argv);
  QApplication::setApplicationName("Quorvine EDB to MBOX Converter");
  QApplication::setDesktopFileName("quorvine-gui");
  quorvine::app::MainWindow window;
  window.showMaximized();
  // The file-selection dialog is the first thing the user sees.
  QTimer::singleShot(0, &window, [&window] { window.browse(true); });
  return application.exec();
}
