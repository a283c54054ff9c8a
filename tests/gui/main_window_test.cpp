// The desktop application driven offscreen on generated stores: open, tree, listing,
// preview with nothing leaving the machine, check propagation, check-all, the dialogs.
#include <algorithm>
#include <fstream>
#include <map>
#include <optional>
#include <semaphore>
#include <thread>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QWebEngineView>

#include "app/command_line.hpp"
#include "app/export_dialog.hpp"
#include "app/export_observer_bridge.hpp"
#include "app/file_selection_dialog.hpp"
#include "app/main_window.hpp"
#include "app/search_dialog.hpp"
#include "app/window_observer.hpp"
#include "app/web_engine_environment.hpp"
#include "support/test_support.hpp"
#include "ui/folder_icons.hpp"
#include "ui/folder_tree.hpp"
#include "ui/message_list.hpp"
#include "ui/preview_pane.hpp"
#include "ui/text_progress_bar.hpp"

using namespace quorvine;
namespace fs = std::filesystem;

namespace {

struct Asked {
  QString text;
  QString caption;
};

QJsonObject read_manifest(const fs::path& store) {
  fs::path manifest = store;
  manifest.replace_extension(".manifest.json");
  QFile file(QString::fromStdString(manifest.string()));
  if (!file.open(QIODevice::ReadOnly)) return {};
  return QJsonDocument::fromJson(file.readAll()).object();
}

// The widget subtree as the manifest writes trees: label and children.
QJsonArray widget_children(const QTreeWidgetItem* item) {
  QJsonArray children;
  for (int i = 0; i < item->childCount(); ++i) {
    QJsonObject node;
    node["label"] = item->child(i)->text(0);
    node["children"] = widget_children(item->child(i));
    children.append(node);
  }
  return children;
}

QJsonArray manifest_labels(const QJsonArray& nodes) {
  QJsonArray out;
  for (const auto& value : nodes) {
    const QJsonObject in = value.toObject();
    QJsonObject node;
    node["label"] = in["label"];
    node["children"] = manifest_labels(in["children"].toArray());
    out.append(node);
  }
  return out;
}

QTreeWidgetItem* find_path(ui::FolderTree* tree, const QStringList& path) {
  QTreeWidgetItem* item = tree->topLevelItem(0);
  for (const QString& label : path) {
    QTreeWidgetItem* next = nullptr;
    for (int i = 0; item && i < item->childCount() && !next; ++i)
      if (item->child(i)->text(0) == label) next = item->child(i);
    item = next;
  }
  return item;
}

// Every file and folder below `root` with its bytes (folders with none), by relative path.
std::map<std::string, std::string> tree_contents(const fs::path& root) {
  std::map<std::string, std::string> contents;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    std::string bytes = "<dir>";
    if (entry.is_regular_file()) {
      std::ifstream in(entry.path(), std::ios::binary);
      bytes.assign(std::istreambuf_iterator<char>(in), {});
    }
    contents[fs::relative(entry.path(), root).string()] = bytes;
  }
  return contents;
}

// The longest wait between ticks of a 5 ms timer on the window thread while it runs.
class TickProbe {
 public:
  TickProbe() {
    tick_.setInterval(5);
    QObject::connect(&tick_, &QTimer::timeout, [this] {
      longest_ = std::max(longest_, clock_.elapsed() - last_);
      last_ = clock_.elapsed();
    });
    clock_.start();
    tick_.start();
  }
  qint64 longest() const { return std::max(longest_, clock_.elapsed() - last_); }

 private:
  QElapsedTimer clock_;
  qint64 last_ = 0, longest_ = 0;
  QTimer tick_;
};

// Whether the preview pane shows a page and has finished a load since the test began waiting:
// a notice shown before may still finish loading after the page of interest was asked for, so
// a finished load alone does not say which page it was.
class PageLoads {
 public:
  explicit PageLoads(ui::PreviewPane* pane) : pane_(pane) {
    QObject::connect(pane, &ui::PreviewPane::loadFinished, &context_, [this](bool ok) { loaded_ = loaded_ || ok; });
  }
  bool finished(const QString& page) const { return loaded_ && pane_->view()->url().toLocalFile() == page; }

 private:
  ui::PreviewPane* pane_;
  QObject context_;
  bool loaded_ = false;
};

// Holds the worker thread inside its first event until released, so that the test acts
// while the worker is certainly in the middle of its run.
class WorkerGate {
 public:
  template <class Sender, class Signal>
  void watch(Sender* sender, Signal signal) {
    QObject::connect(sender, signal, &context_, [this] { hold(); }, Qt::DirectConnection);
  }
  bool reached() const { return reached_; }
  void release() { released_.release(); }

 private:
  void hold() {
    if (!reached_.exchange(true)) released_.acquire();
  }
  QObject context_;
  std::atomic<bool> reached_ = false;
  std::binary_semaphore released_{0};
};

// How many open descriptors of this process refer to `file`.
int open_descriptors_of(const fs::path& file) {
  int count = 0;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator("/proc/self/fd", error)) {
    std::error_code ignored;
    if (fs::read_symlink(entry.path(), ignored) == file) ++count;
  }
  return count;
}

// The built command line's export of the same choice into `out`.
void cli_export(const fs::path& store, const QString& version, const fs::path& out, const std::string& choice) {
  const std::string command = testing::quorvine_program().string() + " export " + store.string() + " --exchange " +
                              version.toStdString() + " --out " + out.string() + " --jobs 3 " + choice;
  QCOMPARE(testing::run_command(command).status, 0);
}

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private:
  static constexpr int scale_messages = 2000;
  inline static const QString scale_version = "2007";
  QTemporaryDir scratch_;
  std::vector<Asked> asked_;

  fs::path store(const QString& version) const {
    return fs::path(scratch_.path().toStdString()) / ("gui" + version.toStdString() + ".edb");
  }
  app::Prompt recorder(QMessageBox::StandardButton answer = QMessageBox::Yes) {
    return [this, answer](QWidget*, QMessageBox::Icon, const QString& text, const QString& caption,
                          QMessageBox::StandardButtons) {
      asked_.push_back({text, caption});
      return answer;
    };
  }
  // A store whose scan and export take a while, so that a pause, an abort or a blocked
  // window thread shows.
  fs::path scale_store() const { return fs::path(scratch_.path().toStdString()) / "scale.edb"; }
  app::StoreChoice choice(const fs::path& database, const QString& version) const {
    app::StoreChoice choice;
    choice.database = database;
    choice.version = version == "2007" ? decode::Generation::V2007 : decode::Generation::V2010;
    choice.temp_folder = fs::path(scratch_.path().toStdString()) / ("temp" + version.toStdString());
    return choice;
  }
  void open(app::MainWindow& window, const QString& version, std::optional<fs::path> database = {}) {
    window.setPrompt(recorder());
    window.openStore(choice(database.value_or(store(version)), version));
    QTRY_VERIFY_WITH_TIMEOUT(window.state() != app::MainWindow::State::Scanning && !window.workerBusy(), 120000);
  }
  // Starts the scan of the scale store and presses "Stop" while the worker is held in the
  // middle of the scan, at its first tree item.
  void stop_running_scale_scan(app::MainWindow& window, WorkerGate& gate) {
    window.setPrompt(recorder());
    gate.watch(window.findChild<app::WindowObserver*>(), &app::WindowObserver::treeItemAdded);
    window.openStore(choice(scale_store(), scale_version));
    QTRY_VERIFY_WITH_TIMEOUT(gate.reached(), 60000);
    window.stopOrResume();
    gate.release();
  }
  // Until the paused worker has stopped at its next record and what it reported before
  // that has reached the window: from then on nothing may change.
  static void wait_until_held(app::MainWindow& window) {
    QTRY_VERIFY_WITH_TIMEOUT(window.workerHeld(), 60000);
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
  }
  // What the status bar and the tree show, to tell whether the scan moves.
  static QString shown(const app::MainWindow& window) {
    return window.statusText() + '|' + window.progressBar()->displayText() + '|' +
           QString::number(window.progressBar()->position()) + '|' +
           QString::number(window.tree()->topLevelItem(0)->childCount());
  }
  // The "Save Mailbox" dialog for every mailbox, with `destination` chosen.
  app::ExportDialog* whole_export(app::MainWindow& window, const fs::path& destination) {
    window.tree()->clickCheckBox(window.tree()->topLevelItem(0));
    window.saveMailbox();
    app::ExportDialog* dialog = window.exportDialog();
    if (dialog) dialog->chooseDestination(QString::fromStdString(destination.string()));
    return dialog;
  }

 private slots:
  void initTestCase() {
    QVERIFY(scratch_.isValid());
    const std::string scale = testing::edbgen_program().string() + " --exchange " + scale_version.toStdString() +
                              " --scale " + std::to_string(scale_messages) + " --out " + scale_store().string();
    QCOMPARE(testing::run_command(scale).status, 0);
    qInfo("platform: %s", qPrintable(QGuiApplication::platformName()));
    for (const char* version : {"2007", "2010"}) {
      const std::string command = testing::edbgen_program().string() + " --exchange " + version + " --scenario " +
                                  (testing::source_dir() / "tests/data/gui.json").string() + " --out " +
                                  store(version).string();
      QCOMPARE(testing::run_command(command).status, 0);
    }
  }

  void open_shows_the_manifest_tree_and_rows_data() {
    QTest::addColumn<QString>("version");
    QTest::newRow("2003/2007") << "2007";
    QTest::newRow("2010") << "2010";
  }
  void open_shows_the_manifest_tree_and_rows() {
    QFETCH(QString, version);
    app::MainWindow window;
    window.show();
    asked_.clear();
    open(window, version);
    QCOMPARE(window.state(), app::MainWindow::State::Scanned);
    QVERIFY(std::any_of(asked_.begin(), asked_.end(),
                        [](const Asked& a) { return a.text.startsWith("Analysis Completed successfully"); }));
    // The bar's text went back with its value, not "Completed0%".
    QCOMPARE(window.progressBar()->displayText(), QString("0%"));

    const QJsonObject manifest = read_manifest(store(version));
    QTreeWidgetItem* root = window.tree()->topLevelItem(0);
    QCOMPARE(root->text(0), QString::fromStdString(store(version).string()));
    QCOMPARE(widget_children(root), manifest_labels(manifest["tree"].toArray()));

    for (const auto& value : manifest["folders"].toArray()) {
      const QJsonObject folder = value.toObject();
      QSignalSpy listed(&window, &app::MainWindow::listingFinished);
      QTreeWidgetItem* item = find_path(window.tree(), folder["path"].toString().split('/'));
      QVERIFY(item);
      window.tree()->setCurrentItem(item);
      QTRY_COMPARE_WITH_TIMEOUT(listed.count(), 1, 30000);
      const QJsonArray rows = folder["rows"].toArray();
      QCOMPARE(window.list()->topLevelItemCount(), rows.size());
      for (int i = 0; i < rows.size(); ++i) {
        const listing::MessageListRow row = window.list()->row(i);
        QCOMPARE(QString::fromStdString(row.subject), rows[i].toObject()["subject"].toString());
        QCOMPARE(QString::fromStdString(row.from), rows[i].toObject()["from"].toString());
      }
    }
  }

  // A store named on the command line without a generation: the table names pick it, and a
  // database Windows wrote for itself is refused with a message instead of scanned as empty.
  void store_from_the_command_line_is_picked_or_refused() {
    app::MainWindow window;
    window.show();
    asked_.clear();
    window.setPrompt(recorder());
    window.openAtStart(store("2010"), decode::Generation::Unset);
    QTRY_VERIFY_WITH_TIMEOUT(window.state() != app::MainWindow::State::Scanning && !window.workerBusy(), 120000);
    QCOMPARE(window.state(), app::MainWindow::State::Scanned);
    QCOMPARE(widget_children(window.tree()->topLevelItem(0)),
             manifest_labels(read_manifest(store("2010"))["tree"].toArray()));
    if (const auto skip = testing::samples_skip_reason()) QSKIP(skip->c_str());
    asked_.clear();
    window.openAtStart(testing::ese_sample("museum_srum_win10_SRUDB.dat"), decode::Generation::Unset);
    QTRY_VERIFY_WITH_TIMEOUT(window.state() != app::MainWindow::State::Scanning && !window.workerBusy(), 120000);
    QCOMPARE(window.state(), app::MainWindow::State::OpenFailed);
    QCOMPARE(asked_.size(), size_t(1));
    QVERIFY2(asked_[0].text.contains(" is not an Exchange store: "), qPrintable(asked_[0].text));
    QCOMPARE(window.statusText(), asked_[0].text);
    QCOMPARE(window.tree()->topLevelItem(0)->childCount(), 0);
  }

  void command_line() {
    using Action = app::GuiCommandLine::Action;
    using V = decode::Generation;
    struct Case {
      std::vector<std::string> arguments;
      Action action;
      std::string store;
      V version;
    };
    const Case cases[] = {
        {{}, Action::Run, "", V::Unset},
        {{"s.edb"}, Action::Run, "s.edb", V::Unset},
        {{"s.edb", "--exchange", "2010"}, Action::Run, "s.edb", V::V2010},
        {{"--exchange=2013", "s.edb"}, Action::Run, "s.edb", V::V2013},
        {{"s.edb", "--exchange", "auto"}, Action::Run, "s.edb", V::Unset},
        {{"--", "--help"}, Action::Run, "--help", V::Unset},
        {{"s.edb", "--help"}, Action::Help, "", V::Unset},
        {{"-h"}, Action::Help, "", V::Unset},
        {{"--version", "s.edb"}, Action::Version, "", V::Unset},
        {{"s.edb", "--exchange", "2016"}, Action::Usage, "", V::Unset},
        {{"s.edb", "--exchange"}, Action::Usage, "", V::Unset},
        {{"--exchange", "2010"}, Action::Usage, "", V::Unset},
        {{"a.edb", "b.edb"}, Action::Usage, "", V::Unset},
        {{"--bogus", "s.edb"}, Action::Usage, "", V::Unset},
    };
    for (const Case& c : cases) {
      const app::GuiCommandLine line = app::parse_gui_command_line(c.arguments);
      const QString what = QString::fromStdString(c.arguments.empty() ? "(none)" : c.arguments.front());
      QVERIFY2(line.action == c.action, qPrintable(what));
      QCOMPARE(line.store.value_or(fs::path()).string(), c.store);
      QVERIFY2(line.version == c.version, qPrintable(what));
      QCOMPARE(line.error.empty(), c.action != Action::Usage);
    }
    // The program answers both without reaching for a display: with the xcb plugin and no
    // DISPLAY, starting the toolkit would fail.
    const std::string program = (testing::binary_dir() / "quorvine-gui").string();
    for (const auto& [option, start] : {std::pair{"--help", "Usage: quorvine-gui "}, {"--version", "quorvine-gui 1."}}) {
      const auto run = testing::run_command("env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb timeout 30 '" +
                                            program + "' " + option + " 2>&1");
      QCOMPARE(run.status, 0);
      QVERIFY2(run.out.rfind(start, 0) == 0, run.out.c_str());
    }
  }

  void preview_sends_nothing_off_the_machine_data() { open_shows_the_manifest_tree_and_rows_data(); }
  void preview_sends_nothing_off_the_machine() {
    QFETCH(QString, version);
    app::MainWindow window;
    window.show();
    QTRY_VERIFY(window.preview()->height() > 50);  // the splitter gives the preview its share
    open(window, version);
    QSignalSpy listed(&window, &app::MainWindow::listingFinished);
    window.tree()->setCurrentItem(find_path(window.tree(), {"Gina Ruiz", "Inbox"}));
    QTRY_COMPARE_WITH_TIMEOUT(listed.count(), 1, 30000);
    int remote = -1;
    for (int i = 0; i < window.list()->topLevelItemCount(); ++i)
      if (window.list()->row(i).subject == "Remote images") remote = i;
    QVERIFY(remote >= 0);

    QSignalSpy rendered(&window, &app::MainWindow::previewRendered);
    PageLoads loaded(window.preview());
    window.list()->setCurrentItem(window.list()->topLevelItem(remote));
    emit window.list()->rowClicked(remote);
    QTRY_COMPARE_WITH_TIMEOUT(rendered.count(), 1, 30000);
    QTRY_VERIFY_WITH_TIMEOUT(loaded.finished(rendered.first().at(0).toString()), 30000);
    QTest::qWait(500);  // frames and images of the page settle
    QCOMPARE(window.preview()->interceptor().allowed_remote(), 0);
    qInfo("requests refused by the interceptor: %d", window.preview()->interceptor().refused());

    // The second wall alone: a remote page asked for directly is refused.
    const int before = window.preview()->interceptor().refused();
    window.preview()->view()->load(QUrl("http://192.0.2.9/"));
    QTRY_VERIFY_WITH_TIMEOUT(window.preview()->interceptor().refused() > before, 10000);
  }

  // A temporary folder given relative to the working folder still gives a preview that
  // loads: pages are opened by file URL, which must be absolute.
  void preview_loads_with_a_relative_temp_folder() {
    const QString before = QDir::currentPath();
    QVERIFY(QDir::setCurrent(scratch_.path()));
    app::MainWindow window;
    window.show();
    window.setPrompt(recorder());
    app::StoreChoice relative = choice(store("2010"), "2010");
    relative.temp_folder = "relative-temp";
    window.openStore(relative);
    QTRY_VERIFY_WITH_TIMEOUT(window.state() != app::MainWindow::State::Scanning && !window.workerBusy(), 120000);
    QSignalSpy listed(&window, &app::MainWindow::listingFinished);
    window.tree()->setCurrentItem(find_path(window.tree(), {"Gina Ruiz", "Inbox"}));
    QTRY_COMPARE_WITH_TIMEOUT(listed.count(), 1, 30000);
    QVERIFY(window.list()->topLevelItemCount() > 0);
    QSignalSpy rendered(&window, &app::MainWindow::previewRendered);
    PageLoads loaded(window.preview());
    window.list()->setCurrentItem(window.list()->topLevelItem(0));
    emit window.list()->rowClicked(0);
    QTRY_COMPARE_WITH_TIMEOUT(rendered.count(), 1, 30000);
    const QString page = rendered.first().at(0).toString();
    QVERIFY2(QFileInfo(page).isAbsolute(), qPrintable(page));
    QVERIFY(page.startsWith(QDir(scratch_.path()).filePath("relative-temp")));
    QTRY_VERIFY_WITH_TIMEOUT(loaded.finished(page), 30000);
    QVERIFY(QDir::setCurrent(before));
  }

  void window_thread_turns_during_scan_and_export() {
    app::MainWindow window;
    window.show();
    std::optional<TickProbe> probe(std::in_place);
    open(window, scale_version, scale_store());
    QCOMPARE(window.state(), app::MainWindow::State::Scanned);
    const qint64 scan_gap = probe->longest();
    QVERIFY2(scan_gap < 1000, qPrintable(QString("scan: event loop stalled %1 ms").arg(scan_gap)));

    asked_.clear();
    probe.emplace();
    app::ExportDialog* dialog = whole_export(window, fs::path(scratch_.path().toStdString()) / "turning");
    QVERIFY(dialog);
    dialog->startExport();
    QVERIFY(dialog->running());
    QTRY_VERIFY_WITH_TIMEOUT(!dialog->running(), 300000);
    QCOMPARE(asked_.back().text, QString("Save Successfully"));
    qInfo("longest event-loop gap: scan %lld ms, export %lld ms", static_cast<long long>(scan_gap),
          static_cast<long long>(probe->longest()));
    QVERIFY2(probe->longest() < 1000, qPrintable(QString("export: event loop stalled %1 ms").arg(probe->longest())));
  }

  void stop_pauses_a_running_scan_and_resume_completes_it() {
    WorkerGate gate;
    app::MainWindow window;
    window.show();
    stop_running_scale_scan(window, gate);
    QCOMPARE(window.stopButton()->text(), QString("Resume"));
    wait_until_held(window);
    const QString paused = shown(window);
    QTest::qWait(700);
    QCOMPARE(shown(window), paused);
    QCOMPARE(window.state(), app::MainWindow::State::Scanning);
    QVERIFY(window.workerBusy());

    asked_.clear();
    window.stopOrResume();
    QCOMPARE(window.stopButton()->text(), QString("Stop"));
    QTRY_VERIFY_WITH_TIMEOUT(window.state() != app::MainWindow::State::Scanning && !window.workerBusy(), 120000);
    QCOMPARE(window.state(), app::MainWindow::State::Scanned);
    QVERIFY(std::any_of(asked_.begin(), asked_.end(),
                        [](const Asked& a) { return a.text.startsWith("Analysis Completed successfully"); }));
    const QJsonObject manifest = read_manifest(scale_store());
    QCOMPARE(widget_children(window.tree()->topLevelItem(0)), manifest_labels(manifest["tree"].toArray()));
  }

  void abort_ends_a_running_export_and_the_window_stays_usable() {
    WorkerGate gate;
    app::MainWindow window;
    window.show();
    open(window, scale_version, scale_store());
    const fs::path out = fs::path(scratch_.path().toStdString()) / "aborted";
    asked_.clear();
    app::ExportDialog* dialog = whole_export(window, out);
    QVERIFY(dialog);
    gate.watch(dialog->findChild<app::ExportObserverBridge*>(), &app::ExportObserverBridge::progressed);
    dialog->startExport();
    QTRY_VERIFY_WITH_TIMEOUT(gate.reached(), 60000);
    dialog->exitOrAbort();
    gate.release();
    QTRY_VERIFY_WITH_TIMEOUT(!dialog->running(), 60000);
    QCOMPARE(asked_.back().text, QString("Abort process has been successfully completed"));
    // It stopped part-way: fewer messages were written than the store holds.
    int written = 0;
    for (const auto& [name, bytes] : tree_contents(out)) {
      if (bytes.rfind("From ", 0) == 0) ++written;
      for (size_t at = bytes.find("\nFrom "); at != std::string::npos; at = bytes.find("\nFrom ", at + 1)) ++written;
    }
    QVERIFY2(written < scale_messages, qPrintable(QString("%1 messages written").arg(written)));
    dialog->exitOrAbort();
    QVERIFY(!dialog->isVisible());

    // The window goes on: a folder still lists all its rows.
    QVERIFY(window.tree()->isEnabled());
    const QJsonObject folder = read_manifest(scale_store())["folders"].toArray().at(0).toObject();
    QSignalSpy listed(&window, &app::MainWindow::listingFinished);
    window.tree()->setCurrentItem(find_path(window.tree(), folder["path"].toString().split('/')));
    QTRY_COMPARE_WITH_TIMEOUT(listed.count(), 1, 60000);
    QCOMPARE(window.list()->topLevelItemCount(), folder["row_count"].toInt());
  }

  void leaving_during_a_paused_scan_ends_the_worker_and_closes_the_store() {
    {
      WorkerGate gate;
      app::MainWindow window;
      window.show();
      stop_running_scale_scan(window, gate);
      wait_until_held(window);
      QVERIFY(window.workerBusy());
      QVERIFY(open_descriptors_of(scale_store()) > 0);
      // Leaving ends the pause as well; a worker that only waited for "Resume" would hang here.
      QVERIFY(window.close());
      QVERIFY(!window.workerBusy());
    }
    QCOMPARE(open_descriptors_of(scale_store()), 0);
  }

  void export_log_lines_reach_the_window_in_batches() {
    // One queued event for any number of lines logged before the window fetches them.
    app::ExportObserverBridge bridge;
    QSignalSpy waiting(&bridge, &app::ExportObserverBridge::logLinesWaiting);
    std::thread([&bridge] {
      for (int i = 0; i < 1000; ++i) bridge.log("line " + std::to_string(i));
    }).join();
    QCOMPARE(waiting.count(), 1);
    const QStringList lines = bridge.takeLogLines();
    QCOMPARE(lines.size(), 1000);
    QCOMPARE(lines.front(), QString("line 0"));
    QCOMPARE(lines.back(), QString("line 999"));
    QVERIFY(bridge.takeLogLines().isEmpty());
    bridge.log("next");
    QCOMPARE(waiting.count(), 2);
  }

  void check_propagation() {
    ui::FolderTree tree;
    tree.reset("store.edb");
    tree.addItem(1, 0, "Alice", "");
    tree.addItem(2, 1, "Inbox", "IPF.Note");
    tree.addItem(3, 1, "Calendar", "IPF.Task");
    tree.addItem(4, 2, "Only", "IPF.Note");
    tree.addItem(5, 0, "Bob", "");
    tree.addItem(6, 5, "Inbox", "IPF.Note");
    auto* alice = tree.widgetItem(1);
    tree.clickCheckBox(alice);
    for (int i : {1, 2, 3, 4}) QVERIFY(ui::FolderTree::GetCheck(tree.widgetItem(i)));
    QVERIFY(ui::FolderTree::isBold(alice));
    QVERIFY(!ui::FolderTree::GetCheck(tree.widgetItem(0)));  // Bob is not checked
    tree.clickCheckBox(tree.widgetItem(3));
    QVERIFY(!ui::FolderTree::GetCheck(alice));
    QVERIFY(ui::FolderTree::isBold(alice));  // some children still checked
    QVERIFY(!ui::FolderTree::GetCheck(tree.widgetItem(0)));
    tree.clickCheckBox(tree.widgetItem(2));  // unchecks Inbox and Only
    QVERIFY(!ui::FolderTree::GetCheck(tree.widgetItem(4)));
    QVERIFY(!ui::FolderTree::isBold(alice));
    // The only child checks its parent, and so on up while every sibling is checked.
    tree.clickCheckBox(tree.widgetItem(4));
    QVERIFY(ui::FolderTree::GetCheck(tree.widgetItem(2)));
    QVERIFY(!ui::FolderTree::GetCheck(alice));
    tree.clickCheckBox(tree.widgetItem(3));
    QVERIFY(ui::FolderTree::GetCheck(alice));
    tree.clickCheckBox(tree.widgetItem(6));
    QVERIFY(ui::FolderTree::GetCheck(tree.widgetItem(0)));
    QCOMPARE(ui::FolderTree::GetFolderPathName(tree.widgetItem(4)), QString("store.edb\\Alice\\Inbox\\"));
    // The icons are compiled into the program and drawn: the folder's own, not the plain one.
    QCOMPARE(ui::folder_icons().size(), 16);
    const QImage inbox = tree.widgetItem(2)->icon(0).pixmap(16).toImage();
    QVERIFY(!inbox.isNull());
    QVERIFY(inbox != tree.widgetItem(1)->icon(0).pixmap(16).toImage());
  }

  void check_all_header() {
    ui::MessageList list;
    list.clickCheckAllHeader();  // no rows: only the header flips
    QVERIFY(list.headerChecked());
    list.clickCheckAllHeader();
    QVERIFY(!list.headerChecked());
    std::vector<listing::MessageListRow> rows(3);
    for (size_t i = 0; i < rows.size(); ++i) rows[i].message_id = "id" + std::to_string(i);
    list.appendRows(rows);
    list.clickCheckAllHeader();
    QCOMPARE(list.checkedCount(), 3);
    list.setRowChecked(1, false);
    QVERIFY(!list.headerChecked());
    list.setRowChecked(1, true);
    QVERIFY(list.headerChecked());
    QCOMPARE(list.checkedRows().at(2).message_id, std::string("id2"));
    QCOMPARE(list.columnWidth(4), 300);
    QVERIFY(list.isColumnHidden(3) && list.isColumnHidden(8) && !list.isColumnHidden(7));
  }

  void save_mailbox_order_and_refusals() {
    app::MainWindow window;
    asked_.clear();
    window.setPrompt(recorder());
    window.saveMailbox();
    window.exportSelected();
    QCOMPARE(asked_.size(), size_t(2));
    QCOMPARE(asked_[0].text, QString("Please select mailbox to continue the conversion process                "));
    QCOMPARE(asked_[0].caption, QString("    Quorvine EDB to MBOX Converter                           "));
    QCOMPARE(asked_[1].text, QString("Please select items to export"));

    open(window, "2007");
    window.tree()->clickCheckBox(find_path(window.tree(), {"Gina Ruiz", "Inbox"}));
    window.tree()->clickCheckBox(find_path(window.tree(), {"Hal Brown", "Sent Items"}));
    const auto boxes = window.mailboxesToSave();
    QCOMPARE(boxes.size(), size_t(2));
    QCOMPARE(QString::fromStdString(boxes[0].name), QString("Hal Brown"));
    QCOMPARE(QString::fromStdString(boxes[1].name), QString("Gina Ruiz"));
  }

  void export_dialogs_write_what_the_command_line_writes_data() { open_shows_the_manifest_tree_and_rows_data(); }
  void export_dialogs_write_what_the_command_line_writes() {
    QFETCH(QString, version);
    app::MainWindow window;
    window.show();
    open(window, version);
    const fs::path base = fs::path(scratch_.path().toStdString()) / ("export" + version.toStdString());

    // Selected items: one of the two rows of Gina Ruiz's Inbox.
    QSignalSpy listed(&window, &app::MainWindow::listingFinished);
    window.tree()->setCurrentItem(find_path(window.tree(), {"Gina Ruiz", "Inbox"}));
    QTRY_COMPARE_WITH_TIMEOUT(listed.count(), 1, 30000);
    QCOMPARE(window.list()->topLevelItemCount(), 2);
    const int plain = window.list()->row(0).subject == "Plain note" ? 0 : 1;
    QCOMPARE(QString::fromStdString(window.list()->row(plain).subject), QString("Plain note"));
    window.list()->setRowChecked(plain, true);
    const std::string chosen_id = window.list()->row(plain).message_id;
    asked_.clear();
    window.exportSelected();
    app::ExportDialog* dialog = window.exportDialog();
    QVERIFY(dialog && dialog->isVisible());
    QCOMPARE(dialog->windowTitle(), QString("Export to MBOX"));
    QCOMPARE(dialog->startButton()->text(), QString("Start Export"));
    dialog->chooseDestination(QString::fromStdString((base / "gui-selected").string()));
    dialog->startExport();
    QCOMPARE(dialog->startButton()->text(), QString("Under process"));
    QVERIFY(!dialog->startButton()->isEnabled());
    QCOMPARE(dialog->exitButton()->text(), QString("Abort"));
    QTRY_VERIFY_WITH_TIMEOUT(!dialog->running(), 60000);
    QCOMPARE(dialog->startButton()->text(), QString("Start Export"));
    QCOMPARE(dialog->exitButton()->text(), QString("Exit"));
    QCOMPARE(dialog->progressBar()->displayText(), QString("Completed 100%"));
    QCOMPARE(asked_.back().text, QString("Save Successfully"));
    QCOMPARE(asked_.back().caption, QString("Quorvine EDB to MBOX Converter"));
    QVERIFY(!dialog->logLines().empty());
    for (size_t i = 0; i < dialog->logLines().size(); ++i)
      QCOMPARE(dialog->logLines()[i].colour, i % 2 == 0 ? QColor(0, 125, 255) : QColor(153, 51, 255));
    cli_export(store(version), version, base / "cli-selected", "--folder \"Gina Ruiz/Inbox\" --message " + chosen_id);
    const auto selected = tree_contents(base / "gui-selected");
    QVERIFY(std::any_of(selected.begin(), selected.end(),
                        [](const auto& file) { return file.second.find("Subject: Plain note") != std::string::npos; }));
    QVERIFY(std::none_of(selected.begin(), selected.end(), [](const auto& file) {
      return file.second.find("Subject: Remote images") != std::string::npos;
    }));
    QVERIFY(selected == tree_contents(base / "cli-selected"));
    dialog->exitOrAbort();
    QVERIFY(!dialog->isVisible());

    // Save Mailbox: folders of both mailboxes, once without and once with a date filter.
    for (QStringList path : {QStringList{"Gina Ruiz", "Inbox"}, QStringList{"Gina Ruiz", "Contacts"},
                             QStringList{"Hal Brown", "Sent Items"}})
      window.tree()->clickCheckBox(find_path(window.tree(), path));
    const std::string folders = "--folder \"Gina Ruiz/Inbox\" --folder \"Gina Ruiz/Contacts\" "
                                "--folder \"Hal Brown/Sent Items\"";
    for (bool filtered : {false, true}) {
      const std::string name = filtered ? "filtered" : "whole";
      asked_.clear();
      window.saveMailbox();
      dialog = window.exportDialog();
      QVERIFY(dialog && dialog->isVisible());
      QCOMPARE(dialog->windowTitle(), QString("Export Items"));
      dialog->startExport();
      QCOMPARE(asked_.back().text, QString("Please select destination path?"));
      QVERIFY(!dialog->running());
      dialog->chooseDestination(QString::fromStdString((base / ("gui-" + name)).string()));
      // The second message only: 2011-03-08 09:00:00 UTC is inside, on the bound.
      const QDateTime from(QDate(2011, 3, 8), QTime(9, 0), Qt::UTC);
      dialog->setDateFilter(filtered, from, from.addDays(1));
      dialog->startExport();
      QCOMPARE(dialog->startButton()->text(), QString("Under process"));
      QTRY_VERIFY_WITH_TIMEOUT(!dialog->running(), 60000);
      QCOMPARE(dialog->startButton()->text(), QString("Start Export !"));
      QCOMPARE(asked_.back().text, QString("Save Successfully"));
      QCOMPARE(asked_.back().caption, QString("Quorvine EDB to MBOX Converter "));
      for (size_t i = 0; i < dialog->logLines().size(); ++i)
        QCOMPARE(dialog->logLines()[i].colour, i % 2 == 0 ? QColor(200, 200, 200) : QColor(130, 180, 100));
      cli_export(store(version), version, base / ("cli-" + name),
                 folders + (filtered ? " --from 2011-03-08T09:00:00 --to 2011-03-09T09:00:00" : ""));
      const auto gui = tree_contents(base / ("gui-" + name));
      QVERIFY(gui == tree_contents(base / ("cli-" + name)));
      const auto inbox = gui.find("QuorvineRec/Gina Ruiz/Inbox/Inbox");
      QVERIFY(inbox != gui.end());
      QCOMPARE(inbox->second.find("Subject: Remote images") != std::string::npos, !filtered);
      QVERIFY(inbox->second.find("Subject: Plain note") != std::string::npos);
      QVERIFY(gui.count("QuorvineRec/Hal Brown/Sent Items/Sent Items"));
      // The contact has no date, so the filter leaves it out.
      QCOMPARE(gui.count("QuorvineRec/Gina Ruiz/Contacts/Contacts.vcf"), filtered ? 0u : 1u);
      dialog->exitOrAbort();
    }

    // The format and the kinds: Maildirs of mail alone, as the command line writes them.
    window.saveMailbox();
    dialog = window.exportDialog();
    dialog->chooseDestination(QString::fromStdString((base / "gui-maildir").string()));
    dialog->setFormat(exporting::OutputFormat::Maildir);
    dialog->setItems(exporting::ItemSelection{true, false, false, false, false});
    dialog->startExport();
    QTRY_VERIFY_WITH_TIMEOUT(!dialog->running(), 60000);
    cli_export(store(version), version, base / "cli-maildir", folders + " --format maildir --items mail");
    const auto maildirs = tree_contents(base / "gui-maildir");
    QVERIFY(maildirs == tree_contents(base / "cli-maildir"));
    QCOMPARE(std::count_if(maildirs.begin(), maildirs.end(),
                           [](const auto& file) { return file.first.find("Gina Ruiz/Inbox/Inbox/cur/") != std::string::npos; }),
             2);
    QVERIFY(std::none_of(maildirs.begin(), maildirs.end(),
                         [](const auto& file) { return file.first.ends_with(".vcf"); }));
    dialog->exitOrAbort();

    // Abort asks first; "No" leaves the run alone, "Yes" stops it and says so.
    asked_.clear();
    window.setPrompt(recorder(QMessageBox::No));
    window.saveMailbox();
    dialog = window.exportDialog();
    dialog->chooseDestination(QString::fromStdString((base / "gui-unaborted").string()));
    dialog->startExport();
    dialog->exitOrAbort();
    QVERIFY(dialog->running());
    QCOMPARE(asked_.back().text, QString("Do you want to stop process ?       "));
    QCOMPARE(asked_.back().caption, QString("Quorvine EDB to MBOX Converter"));
    QTRY_VERIFY_WITH_TIMEOUT(!dialog->running(), 60000);
    QCOMPARE(asked_.back().text, QString("Save Successfully"));
    window.setPrompt(recorder(QMessageBox::Yes));
    window.saveMailbox();  // a fresh dialog answers with the new prompt
    dialog = window.exportDialog();
    dialog->chooseDestination(QString::fromStdString((base / "gui-aborted").string()));
    dialog->startExport();
    dialog->exitOrAbort();
    QCOMPARE(dialog->logLines().back().text, QString("Saving Process Aborted By User"));
    QCOMPARE(dialog->logLines().back().colour, QColor(200, 200, 200));
    QTRY_VERIFY_WITH_TIMEOUT(!dialog->running(), 60000);
    QCOMPARE(asked_.back().text, QString("Abort process has been successfully completed"));
    QCOMPARE(dialog->progressBar()->displayText().left(15), QString("Aborted Saving "));
    QCOMPARE(dialog->exitButton()->text(), QString("Exit"));
  }

  void stop_and_resume_ask_first() {
    app::MainWindow window;
    asked_.clear();
    window.setPrompt(recorder(QMessageBox::No));
    window.stopOrResume();
    QCOMPARE(window.stopButton()->text(), QString("Stop"));
    window.setPrompt(recorder(QMessageBox::Yes));
    window.stopOrResume();
    QCOMPARE(window.stopButton()->text(), QString("Resume"));
    window.stopOrResume();
    QCOMPARE(window.stopButton()->text(), QString("Stop"));
    QCOMPARE(asked_.back().text, QString("Do you want to sure resume recovery process ?"));
  }

  void file_selection_refuses_missing_file_and_version() {
    asked_.clear();
    app::FileSelectionDialog first(decode::Generation::Unset, recorder());
    QVERIFY(!first.next());
    QCOMPARE(asked_.back().text, QString("Please select valid file"));
    first.setDatabase(store("2007"));
    QVERIFY(!first.next());
    QCOMPARE(asked_.back().text, QString("Please select which exchange version of edb file"));
    first.chooseVersion(decode::Generation::V2010);
    QVERIFY(first.next());
    // A later dialog keeps the earlier version without a click.
    app::FileSelectionDialog second(first.choice().version, recorder());
    second.setDatabase(store("2007"));
    QVERIFY(second.next());
    QCOMPARE(second.choice().version, decode::Generation::V2010);
  }

  void search_dialog_size_window_and_stop() {
    QTemporaryDir dir;
    const fs::path base = dir.path().toStdString();
    fs::create_directories(base / "sub");
    auto write = [](const fs::path& path, size_t size) { std::ofstream(path) << std::string(size, 'x'); };
    write(base / "exact.edb", 1024);
    write(base / "over.edb", 1025);
    write(base / "sub" / "deep.edb", 10);
    asked_.clear();
    app::SearchDialog dialog(recorder());
    dialog.startOrStop();
    QCOMPARE(asked_.back().text, QString("Please provide location where you want to search edb file"));
    dialog.setSearchFolder(dir.path());
    dialog.setSizeWindow(true, "1", "1");
    QSignalSpy done(&dialog, &app::SearchDialog::searchFinished);
    dialog.startOrStop();
    QTRY_COMPARE_WITH_TIMEOUT(done.count(), 1, 10000);
    QCOMPARE(dialog.statusText(), QString("1 items found"));
    QCOMPARE(dialog.results()->topLevelItem(0)->text(0), QString("exact.edb"));
    QCOMPARE(dialog.results()->topLevelItem(0)->text(2), QString("1024 B"));
    dialog.chooseRow(0);
    QCOMPARE(dialog.chosen(), base / "exact.edb");

    // Many folders: a stop ends the search early and the count still shows.
    for (int i = 0; i < 3000; ++i) fs::create_directories(base / "many" / std::to_string(i));
    dialog.setSizeWindow(false, "0", "0");
    dialog.setSubfolders(true);
    dialog.startOrStop();
    QVERIFY(dialog.searching());
    dialog.startOrStop();
    QTRY_COMPARE_WITH_TIMEOUT(done.count(), 2, 10000);
    QVERIFY(dialog.statusText().endsWith(" items found"));
    QVERIFY(!dialog.searching());
  }
};

int main(int argc, char** argv) {
  quorvine::app::prepare_web_engine_environment();
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", QByteArray("offscreen"));
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QApplication application(argc, argv);
  MainWindowTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "main_window_test.moc"
