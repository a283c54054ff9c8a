// The pages "quorvine show" writes, opened in headless Chromium: a hostile HTML body runs no
// script and loads nothing remote. Remote URLs point at a listener on the loopback address,
// which counts the connections the browser opens.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

#include "render/render_fixture.hpp"

namespace quorvine::render {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

// Accepts and closes connections on 127.0.0.1 and a free port until destroyed.
class LoopbackListener {
 public:
  LoopbackListener() {
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr*>(&address), length) != 0 || ::listen(fd_, 64) != 0 ||
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
      throw std::system_error(errno, std::generic_category(), "loopback listener");
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { serve(); });
  }
  ~LoopbackListener() {
    stop_ = true;
    thread_.join();
    ::close(fd_);
  }
  LoopbackListener(const LoopbackListener&) = delete;
  LoopbackListener& operator=(const LoopbackListener&) = delete;

  int port() const { return port_; }
  int connections() const { return connections_; }
  std::string requests() const {
    std::lock_guard lock(mutex_);
    std::string all;
    for (const auto& r : requests_) all += "[" + r + "] ";
    return all;
  }

 private:
  void serve() {
    while (!stop_) {
      pollfd p{fd_, POLLIN, 0};
      if (::poll(&p, 1, 50) <= 0) continue;
      const int client = ::accept(fd_, nullptr, nullptr);
      if (client < 0) continue;
      // The request line, for the failure message.
      char buffer[256] = {};
      pollfd c{client, POLLIN, 0};
      if (::poll(&c, 1, 500) > 0) ::recv(client, buffer, sizeof buffer - 1, 0);
      {
        std::lock_guard lock(mutex_);
        const std::string text(buffer);
        requests_.push_back(text.substr(0, text.find('\r')));
      }
      ++connections_;
      ::close(client);
    }
  }

  int fd_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<int> connections_{0};
  mutable std::mutex mutex_;
  std::vector<std::string> requests_;
  std::thread thread_;
};

std::optional<fs::path> chromium_program() {
  const auto found = testing::run_command("command -v chromium 2>/dev/null");
  std::string path = found.out;
  while (!path.empty() && (path.back() == '\n' || path.back() == '\r')) path.pop_back();
  if (found.status != 0 || path.empty()) return std::nullopt;
  return path;
}

// The DOM after the page has loaded, as headless Chromium dumps it; a fresh profile each time.
std::string dump_dom(const fs::path& chromium, const fs::path& page, const testing::ScratchDir& dir) {
  static int profiles = 0;
  const fs::path profile = dir / ("profile-" + std::to_string(++profiles));
  fs::create_directories(profile);
  std::string command = "timeout 120 '" + chromium.string() + "' --headless --disable-gpu --no-first-run" +
                        " --disable-background-networking --disable-component-update --disable-sync" +
                        " --user-data-dir='" + profile.string() + "'";
  if (::geteuid() == 0) command += " --no-sandbox";  // Chromium refuses to run as root otherwise
  command += " --dump-dom 'file://" + fs::absolute(page).string() + "' 2>/dev/null";
  const auto run = testing::run_command(command);
  EXPECT_EQ(run.status, 0) << "chromium failed on " << page;
  return run.out;
}

// Everything a mail body can use to run code or reach the network. The comment in front
// holds a "<head>" so that only a policy placed before all of the document holds. A refresh
// would leave the page before its DOM is dumped, so the page that must run its scripts has
// none.
std::string hostile_html(int port, bool refresh) {
  const std::string remote = "http://127.0.0.1:" + std::to_string(port);
  return "<html><!-- <head> --><script>document.title = 'script' + ' ran';</script>"
         "<head><title>untouched</title><link rel='stylesheet' href='" + remote + "/style.css'>" +
         (refresh ? "<meta http-equiv='refresh' content='0;url=" + remote + "/refresh'>" : std::string()) +
         "</head>"
         "<body><p id='marker'>untouched</p>"
         "<script>document.getElementById('marker').textContent = 'script' + ' ran';</script>"
         "<img src='" + remote + "/remote.png'>"
         "<img src='data:,' onerror=\"document.body.setAttribute('data-' + 'handler', 'ran')\">"
         "<div style='background:url(" + remote + "/background.png)'>x</div></body></html>";
}

TEST(ShowInBrowser, HostileHtmlBodyRunsNoScriptAndMakesNoRequest) {
  const auto chromium = chromium_program();
  if (!chromium) GTEST_SKIP() << "chromium is not installed (scripts/setup-deps.sh installs it)";
  testing::ScratchDir dir;
  LoopbackListener listener;
  const std::string html = hostile_html(listener.port(), true);

  // The same HTML opened as it is: the page really runs its scripts and reaches the listener,
  // so the checks below can fail.
  const fs::path raw = dir / "raw.html";
  std::ofstream(raw) << hostile_html(listener.port(), false);
  const std::string raw_dom = dump_dom(*chromium, raw, dir);
  ASSERT_NE(raw_dom.find("script ran"), std::string::npos) << raw_dom;
  ASSERT_NE(raw_dom.find("data-handler=\"ran\""), std::string::npos) << raw_dom;
  for (int i = 0; i < 100 && listener.connections() == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  ASSERT_GT(listener.connections(), 0);

  const json scenario = {
      {"mailboxes",
       {{{"number", 101},
         {"display_name", "Browser Test"},
         {"folders",
          {{{"name", "Inbox"},
            {"class", "IPF.Note"},
            {"messages",
             {{{"subject", "Hostile page"},
               {"sender_name", "Mallory"},
               {"sender_address", "mallory@example.org"},
               {"date", "2011-03-07T14:05:09Z"},
               {"html", html}}}}}}}}}}};
  for (const std::string exchange : {"2007", "2010"}) {
    SCOPED_TRACE(exchange);
    const fs::path store = render_test::make_store(scenario, exchange, dir);
    ASSERT_FALSE(store.empty());
    fs::path manifest = store;
    manifest.replace_extension(".manifest.json");
    const std::string folder = json::parse(render_test::read_file(manifest))["folders"][0]["path"];
    const fs::path out = dir / ("show" + exchange);
    const auto shown = testing::run_command("'" + testing::quorvine_program().string() + "' show '" + store.string() +
                                            "' --exchange " + exchange + " --folder '" + folder + "' --row 1 --out '" +
                                            out.string() + "' --json");
    ASSERT_EQ(shown.status, 0) << shown.out;
    const json result = json::parse(shown.out);
    ASSERT_EQ(result["body"]["kind"], "html");
    const fs::path body = std::string(result["body"]["file"]);
    ASSERT_NE(render_test::read_file(body).find("<script>"), std::string::npos);  // the body is written as stored

    const int before = listener.connections();
    const std::string body_dom = dump_dom(*chromium, body, dir);
    EXPECT_NE(body_dom.find("id=\"marker\">untouched<"), std::string::npos) << body_dom;
    EXPECT_EQ(body_dom.find("script ran"), std::string::npos) << body_dom;
    EXPECT_EQ(body_dom.find("data-handler="), std::string::npos) << body_dom;
    // The page to open: its frames load the header page and the body.
    const std::string frame_dom = dump_dom(*chromium, std::string(result["frame_page"]), dir);
    EXPECT_NE(frame_dom.find("<frameset"), std::string::npos) << frame_dom;
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_EQ(listener.connections(), before) << listener.requests();
  }
}

}  // namespace
}  // namespace quorvine::render
