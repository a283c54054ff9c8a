// Times the listing of one folder (after an untimed scan), as the list command does it.
//
//   bench_list_folder_timing STORE 2007|2010|2013 FOLDER_PATH [REPEATS]
//
// Prints the row count and the wall-clock and processor time of each listing; for 2010/2013 stores the first one
// includes reading the mailbox's header table, later ones only filter. Then, separately, the time of reading the
// mailbox's body and attachment lists as the first preview or export does (2010; listing does not read them).
#include <chrono>
#include <ctime>
#include <cstdio>
#include <string>

#include "listing/message_listing.hpp"
#include "scan/scan_driver.hpp"
#include "scan/work_folders.hpp"

int main(int argc, char** argv) {
  using namespace quorvine;
  if (argc < 4) {
    std::fprintf(stderr, "usage: %s STORE 2007|2010|2013 FOLDER_PATH [REPEATS]\n", argv[0]);
    return 1;
  }
  const int repeats = argc > 4 ? std::stoi(argv[4]) : 1;
  scan::ScanSession session;
  session.settings.database_file = argv[1];
  auto version = decode::parse_generation(argv[2]);
  if (!version) return 1;
  session.settings.generation = *version;
  session.settings.work_folder = scan::work_folder_for(argv[1]);
  session.settings.temp_folder = scan::temp_folder();
  std::filesystem::create_directories(session.settings.work_folder);
  scan::create_private_folder(session.settings.temp_folder);
  scan::SilentScanObserver quiet;
  const auto scan_start = std::chrono::steady_clock::now();
  scan::scan_store(session, quiet);
  const auto scan_end = std::chrono::steady_clock::now();
  if (session.outcome != scan::ScanOutcome::Completed) {
    std::fprintf(stderr, "scan failed: %s\n", session.failure_reason.c_str());
    return 2;
  }
  std::printf("scan (not part of the listing): %.1f ms\n",
              std::chrono::duration<double, std::milli>(scan_end - scan_start).count());
  auto item = session.tree.find_path(argv[3]);
  if (!item) {
    std::fprintf(stderr, "no folder %s\n", argv[3]);
    return 1;
  }
  decode::DecodeContext ctx = listing::decode_context_for(session);
  for (int i = 0; i < repeats; ++i) {
    const auto start = std::chrono::steady_clock::now();
    const std::clock_t cpu_start = std::clock();
    listing::FolderListing folder_listing = listing::list_folder(session, ctx, *item, quiet);
    const std::clock_t cpu_end = std::clock();
    const auto end = std::chrono::steady_clock::now();
    std::printf("list: %zu rows, %.1f ms wall, %.1f ms cpu\n", folder_listing.rows.size(),
                std::chrono::duration<double, std::milli>(end - start).count(),
                1000.0 * (cpu_end - cpu_start) / CLOCKS_PER_SEC);
  }
  if (session.settings.generation == decode::Generation::V2010) {
    const auto start = std::chrono::steady_clock::now();
    const std::clock_t cpu_start = std::clock();
    listing::ensure_bodies_loaded(session, ctx, *item, quiet);
    const std::clock_t cpu_end = std::clock();
    const auto end = std::chrono::steady_clock::now();
    std::printf("bodies: %zu body entries, %zu attachment entries, %.1f ms wall, %.1f ms cpu\n",
                session.lists2010.cached_bodies.size(), session.lists2010.cached_attachments.size(),
                std::chrono::duration<double, std::milli>(end - start).count(),
                1000.0 * (cpu_end - cpu_start) / CLOCKS_PER_SEC);
  }
  return 0;
}
