#pragma once
// The preview pane: shows local HTML pages (frames included) with JavaScript off. Nothing
// leaves the machine: local pages may not reach remote addresses, and a request
// interceptor refuses every request that is not for a local file, counting what it refused.
#include <atomic>
#include <filesystem>

#include <QStringList>
#include <QWebEngineUrlRequestInterceptor>
#include <QWidget>

class QWebEngineProfile;
class QWebEngineView;

namespace quorvine::ui {

class LocalOnlyInterceptor : public QWebEngineUrlRequestInterceptor {
  Q_OBJECT
 public:
  using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;
  void interceptRequest(QWebEngineUrlRequestInfo& info) override;
  // Whether a request for `url` may go ahead: local files and inline data only.
  static bool allowed(const QUrl& url);

  int refused() const { return refused_; }
  int allowed_remote() const { return allowed_remote_; }

 private:
  std::atomic<int> refused_ = 0;
  std::atomic<int> allowed_remote_ = 0;  // stays 0: a request let through that was not local
};

class PreviewPane : public QWidget {
  Q_OBJECT
 public:
  explicit PreviewPane(QWidget* parent = nullptr);
  ~PreviewPane() override;

  void showFile(const std::filesystem::path& page);
  // Writes `html` to a fresh notice page inside `folder` and shows it.
  void showNotice(const QString& html, const std::filesystem::path& folder);

  const LocalOnlyInterceptor& interceptor() const { return *interceptor_; }
  QWebEngineView* view() const { return view_; }

 signals:
  void loadFinished(bool ok);

 private:
  LocalOnlyInterceptor* interceptor_;
  QWebEngineProfile* profile_;
  QWebEngineView* view_;
};

}  // namespace quorvine::ui
