#include "cli/store_session.hpp"

#include <cstdio>
#include <system_error>

#include "cli/command.hpp"
#include "scan/exchange_pick.hpp"
#include "scan/scan_driver.hpp"
#include "scan/work_folders.hpp"

namespace quorvine::cli {

OptionSpec exchange_option() {
  return {"--exchange", "2007|2010|2013|auto",
          "the store's Exchange generation (2007 covers 2003); auto, the default, picks it from the table names"};
}

std::optional<decode::Generation> exchange_choice(const Arguments& args) {
  const std::string choice = args.option("--exchange").value_or("auto");
  if (choice == "auto") return std::nullopt;
  if (auto parsed = decode::parse_generation(choice)) return parsed;
  throw UsageError("--exchange must be 2007, 2010, 2013 or auto, not \"" + choice + "\"");
}

StoreScan open_and_scan(const std::string& store, const Arguments& args,
                        scan::ScanSession& session, TerminalObserver& observer) {
  StoreScan result;
  std::optional<ese::Database> opened;
  decode::Generation version = decode::Generation::Unset;
  if (const auto chosen = exchange_choice(args)) {
    version = *chosen;
    result.exchange_auto = false;
  } else {
    scan::ExchangePick pick = scan::pick_exchange_version(store);
    if (!pick.refusal.empty()) {
      session.failure_reason = pick.refusal;
      observer.line("quorvine: " + pick.refusal);
      result.status = exit_cannot_open;
      return result;
    }
    version = pick.version;
    opened = std::move(pick.database);
    if (opened)  // otherwise the scan says why the store cannot be read
      observer.note("Exchange " + std::string(decode::to_string(version)) + " store layout picked from the table names");
  }

  session.settings.database_file = store;
  session.settings.generation = version;
  session.settings.work_folder = scan::work_folder_for(store);
  session.settings.temp_folder = scan::temp_folder();
  std::error_code error;
  std::filesystem::create_directories(session.settings.work_folder, error);
  if (error)
    observer.warning("cannot create the work folder " + session.settings.work_folder.string() +
                     ": " + error.message());
  try {
    scan::create_private_folder(session.settings.temp_folder);
  } catch (const std::exception& refused) {
    // Never write into a folder someone else may control: take a fresh private one.
    try {
      session.settings.temp_folder = scan::create_unique_private_folder(session.settings.temp_folder);
      observer.warning(std::string(refused.what()) + "; using " + session.settings.temp_folder.string() +
                       " instead");
    } catch (const std::exception& failure) {
      observer.warning(std::string(refused.what()) + "; no temporary folder could be made either: " +
                       failure.what());
      session.settings.temp_folder.clear();
    }
  }

  scan::scan_store(session, observer, {}, std::move(opened));
  if (session.outcome == scan::ScanOutcome::OpenFailed) {
    observer.line("quorvine: Unable to Recover Exchange Database: " + session.failure_reason);
    result.status = exit_cannot_open;
  }
  return result;
}

}  // namespace quorvine::cli
