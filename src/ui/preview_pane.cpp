#include "ui/preview_pane.hpp"

#include <cstdlib>
#include <fstream>

#include <unistd.h>

#include <QVBoxLayout>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInfo>
#include <QWebEngineView>

namespace quorvine::ui {

bool LocalOnlyInterceptor::allowed(const QUrl& url) {
  const QString scheme = url.scheme();
  return scheme == "file" || scheme == "data";
}

void LocalOnlyInterceptor::interceptRequest(QWebEngineUrlRequestInfo& info) {
  if (allowed(info.requestUrl())) return;
  info.block(true);
  ++refused_;
}

PreviewPane::PreviewPane(QWidget* parent)
    : QWidget(parent),
      interceptor_(new LocalOnlyInterceptor(this)),
      profile_(new QWebEngineProfile(this)),  // off the record: nothing kept on disk
      view_(new QWebEngineView(this)) {
  profile_->setUrlRequestInterceptor(interceptor_);
  profile_->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
  profile_->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
  auto* page = new QWebEnginePage(profile_, view_);
  QWebEngineSettings* settings = page->settings();
  settings->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
  settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
  settings->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, true);
  settings->setAttribute(QWebEngineSettings::PluginsEnabled, false);
  settings->setAttribute(QWebEngineSettings::AutoLoadIconsForPage, false);
  settings->setAttribute(QWebEngineSettings::DnsPrefetchEnabled, false);
  view_->setPage(page);
  connect(page, &QWebEnginePage::loadFinished, this, &PreviewPane::loadFinished);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(view_);
}

PreviewPane::~PreviewPane() {
  // The page must go before the profile it uses.
  delete view_;
}

void PreviewPane::showFile(const std::filesystem::path& page) {
  view_->load(QUrl::fromLocalFile(QString::fromStdString(page.string())));
}

void PreviewPane::showNotice(const QString& html, const std::filesystem::path& folder) {
  std::string pattern = (folder / "notice-XXXXXX.html").string();
  const int fd = folder.empty() ? -1 : ::mkstemps(pattern.data(), 5);
  if (fd < 0) {
    // No folder to write into: the notice is still shown, from memory.
    view_->setHtml(html);
    return;
  }
  const QByteArray bytes = html.toUtf8();
  const bool written = ::write(fd, bytes.constData(), bytes.size()) == bytes.size();
  ::close(fd);
  if (written)
    showFile(pattern);
  else
    view_->setHtml(html);
}

}  // namespace quorvine::ui
