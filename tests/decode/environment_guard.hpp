#pragma once
// Sets TZ and LC_ALL for one test and puts the previous values back afterwards.
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

namespace quorvine::decode::testing {

class EnvironmentGuard {
 public:
  EnvironmentGuard(const char* tz, const char* lc_all) {
    save("TZ", tz_);
    save("LC_ALL", lc_all_);
    setenv("TZ", tz, 1);
    setenv("LC_ALL", lc_all, 1);
    tzset();
  }
  ~EnvironmentGuard() {
    restore("TZ", tz_);
    restore("LC_ALL", lc_all_);
    tzset();
  }
  EnvironmentGuard(const EnvironmentGuard&) = delete;
  EnvironmentGuard& operator=(const EnvironmentGuard&) = delete;

 private:
  static void save(const char* name, std::optional<std::string>& slot) {
    if (const char* v = std::getenv(name)) slot = v;
  }
  static void restore(const char* name, const std::optional<std::string>& slot) {
    if (slot)
      setenv(name, slot->c_str(), 1);
    else
      unsetenv(name);
  }
  std::optional<std::string> tz_;
  std::optional<std::string> lc_all_;
};

}  // namespace quorvine::decode::testing
