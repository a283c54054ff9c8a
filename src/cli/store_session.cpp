#include "cli/store_session.hpp"

#include <cstdio>
#include <system_error>

#include "cli/command.hpp"
#include "ese/error.hpp"
#include "scan/scan_driver.hpp"
#include "scan/work_folders.hpp"

namespace quorvine::cli {
namespace {

scan::ExchangeVersion pick_from_tables(const std::string& store) {
  std::vector<std::string> names;
  try {
    const auto database = ese::Database::open(store);
    for (const auto& table : database.tables()) names.push_back(table.name);
  } catch (const ese::EseError&) {
    // The scan itself reports why the store cannot be opened.
  }
  return scan::guess_exchange_version(names);
}

}  // namespace

void add_store_options(ArgumentRules& rules) { rules.options.insert("--exchange"); }

StoreScan scan_store(const std::string& store, const Arguments& args,
                     scan::ScanSession& session, TerminalObserver& observer) {
  StoreScan result;
  const std::string choice = args.option("--exchange").value_or("auto");
  scan::ExchangeVersion version = scan::ExchangeVersion::Unset;
  if (choice == "auto") {
    version = pick_from_tables(store);
    observer.line("Exchange " + std::string(scan::to_string(version)) +
                  " store layout picked from the table names");
  } else if (auto parsed = scan::parse_exchange_version(choice)) {
    version = *parsed;
    result.exchange_auto = false;
  } else {
    throw UsageError("--exchange must be 2007, 2010, 2013 or auto, not \"" + choice + "\"");
  }

  session.settings.strFileDir = store;
  session.settings.exchange_version_support = version;
  session.settings.tempFileDataDir = scan::work_folder_for(store);
  session.settings.tempFilePath = scan::temp_folder();
  std::error_code error;
  std::filesystem::create_directories(session.settings.tempFileDataDir, error);
  if (error)
    observer.warning("cannot create the work folder " + session.settings.tempFileDataDir.string() +
                     ": " + error.message());
  try {
    scan::create_private_folder(session.settings.tempFilePath);
  } catch (const std::filesystem::filesystem_error& failure) {
    observer.warning(failure.what());
  } catch (const std::runtime_error& failure) {
    observer.warning(failure.what());
  }

  scan::exportdata(session, observer);
  if (session.outcome == scan::ScanOutcome::OpenFailed) {
    observer.line("quorvine: " + session.failure_reason);
    result.status = exit_cannot_open;
  }
  return result;
}

}  // namespace quorvine::cli
