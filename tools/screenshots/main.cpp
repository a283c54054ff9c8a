// Takes the README's pictures of the desktop application: the main window after a scan, a
// mail preview, a contact preview and the "Export Items" dialog after a run.
// Usage: screenshots STORE.edb 2007|2010 OUT_FOLDER, run in a scratch folder: the work and
// export folders are made there, and the store, the work folders and the export destination
// appear in the pictures by the names given, so relative names keep the machine's out.
#include <cstdio>
#include <filesystem>
#include <functional>

#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QScreen>
#include <QTreeWidget>
#include <QWindow>

#include "app/export_dialog.hpp"
#include "app/main_window.hpp"
#include "app/web_engine_environment.hpp"
#include "ui/folder_tree.hpp"
#include "ui/message_list.hpp"
#include "ui/preview_pane.hpp"

using namespace quorvine;
namespace fs = std::filesystem;

namespace {

bool wait_until(const std::function<bool()>& done, qint64 limit_ms = 60000) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > limit_ms) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return true;
}

void settle(qint64 ms) { wait_until([] { return false; }, ms); }

// What the X server shows of the widget's window: the web view's pixels included.
bool save(QWidget* widget, const fs::path& file) {
  settle(800);
  const QPixmap shot = widget->screen()->grabWindow(widget->winId());
  if (shot.isNull() || !shot.save(QString::fromStdString(file.string()), "PNG", 0)) {
    std::fprintf(stderr, "screenshots: could not save %s\n", file.c_str());
    return false;
  }
  std::printf("%s\n", file.c_str());
  return true;
}

QTreeWidgetItem* find_child(QTreeWidgetItem* parent, const QString& label) {
  for (int i = 0; parent && i < parent->childCount(); ++i)
    if (parent->child(i)->text(0) == label) return parent->child(i);
  return nullptr;
}

// Lists `folder` of the first mailbox and previews its row whose subject is `subject`.
bool preview(app::MainWindow& window, const QString& folder, const std::string& subject) {
  QTreeWidgetItem* item = find_child(window.tree()->topLevelItem(0)->child(0), folder);
  if (!item) return false;
  int listed = -1;
  auto connection = QObject::connect(&window, &app::MainWindow::listingFinished, [&](int rows) { listed = rows; });
  window.tree()->setCurrentItem(item);
  const bool done = wait_until([&] { return listed >= 0; });
  QObject::disconnect(connection);
  if (!done) return false;
  for (int i = 0; i < window.list()->topLevelItemCount(); ++i) {
    if (window.list()->row(i).subject != subject) continue;
    bool loaded = false;
    connection = QObject::connect(window.preview(), &ui::PreviewPane::loadFinished, [&](bool ok) { loaded = ok; });
    window.list()->setCurrentItem(window.list()->topLevelItem(i));
    emit window.list()->rowClicked(i);
    const bool shown = wait_until([&] { return loaded && !window.workerBusy(); });
    QObject::disconnect(connection);
    if (!shown) std::fprintf(stderr, "screenshots: the preview of \"%s\" did not load\n", subject.c_str());
    return shown;
  }
  std::fprintf(stderr, "screenshots: no row \"%s\" among the %d of %s\n", subject.c_str(),
               window.list()->topLevelItemCount(), qPrintable(folder));
  return false;
}

int fail(const char* why) {
  std::fprintf(stderr, "screenshots: %s\n", why);
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  app::prepare_web_engine_environment();
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QApplication application(argc, argv);
  if (argc != 4) return fail("usage: screenshots STORE.edb 2007|2010 OUT_FOLDER");
  const fs::path out = argv[3];
  fs::create_directories(out);

  app::MainWindow window;
  window.setPrompt([](QWidget*, QMessageBox::Icon, const QString&, const QString&, QMessageBox::StandardButtons) {
    return QMessageBox::Yes;
  });
  window.resize(1100, 680);
  window.move(0, 0);
  window.show();
  app::StoreChoice choice;
  choice.database = argv[1];
  choice.version = std::string(argv[2]) == "2007" ? decode::Generation::V2007 : decode::Generation::V2010;
  choice.temp_folder = fs::absolute("temp");  // page addresses need an absolute folder
  window.openStore(choice);
  if (!wait_until([&] { return window.state() == app::MainWindow::State::Scanned && !window.workerBusy(); }))
    return fail("the scan did not complete");
  window.tree()->expandAll();
  if (!save(&window, out / "main-window.png")) return 1;

  if (!preview(window, "Inbox", "Quarterly report")) return fail("no mail preview");
  if (!save(&window, out / "mail-preview.png")) return 1;
  if (!preview(window, "Contacts", "Bob Jones")) return fail("no contact preview");
  if (!save(&window, out / "contact-preview.png")) return 1;

  window.tree()->clickCheckBox(window.tree()->topLevelItem(0)->child(0));
  window.saveMailbox();
  app::ExportDialog* dialog = window.exportDialog();
  if (!dialog) return fail("Save Mailbox opened no dialog");
  dialog->move(120, 80);
  dialog->chooseDestination("export");
  const QDateTime day(QDate(2011, 3, 7), QTime(0, 0), Qt::UTC);  // not today's: the picture stays the same
  dialog->setDateFilter(false, day, day.addDays(7));
  dialog->startExport();
  if (!wait_until([&] { return !dialog->running(); })) return fail("the export did not end");
  const bool saved = save(dialog, out / "export-items.png");
  dialog->exitOrAbort();
  window.close();
  return saved ? 0 : 1;
}
