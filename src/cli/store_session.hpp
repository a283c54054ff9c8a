#pragma once
// Opening and scanning a store for a command: the "--exchange" option, the "auto" pick, the
// work and temporary folders, and the open-failure outcome. The scan and list commands both
// start here.
#include <optional>
#include <string>

#include "cli/arguments.hpp"
#include "cli/terminal_observer.hpp"
#include "scan/scan_session.hpp"

namespace quorvine::cli {

// The "--exchange" option of every command that reads a store.
OptionSpec exchange_option();

// The generation "--exchange" names; nothing for "auto" or no choice. Throws UsageError for
// any other value.
std::optional<decode::Generation> exchange_choice(const Arguments& args);

struct StoreScan {
  bool exchange_auto = true;  // the generation was picked from the table names
  int status = 0;             // exit_ok, or exit_cannot_open
};

// Scans `store` into `session` with the generation that "--exchange" names ("2007", "2010",
// "2013" or "auto", the default). Says on stderr which generation "auto" picked, and on
// failure the reason. Throws UsageError for a bad "--exchange" value.
StoreScan open_and_scan(const std::string& store, const Arguments& args,
                        scan::ScanSession& session, TerminalObserver& observer);

}  // namespace quorvine::cli
