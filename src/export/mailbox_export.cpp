#include "export/mailbox_export.hpp"

#include <algorithm>
#include <numeric>
#include <utility>

#include "export/folder_exporter.hpp"
#include "export/folder_jobs.hpp"
#include "export/lists_2010.hpp"
#include "export/mbox_file.hpp"
#include "export/output_names.hpp"
#include "export/work_folder.hpp"
#include "export/worker_pool.hpp"

namespace quorvine::exporting {
namespace {

ExportSummary run_jobs(scan::ScanSession& session, std::vector<FolderJob> jobs, unsigned threads,
                       const ese::PassControl& control, ExportObserver& observer) {
  ExportSummary summary;
  if (std::string problem = work_folder_problem(session.settings.temp_folder); !problem.empty()) {
    summary.refused = problem + "; nothing was exported";
    return summary;
  }
  const uint64_t damaged_values_before = session.damaged_values ? session.damaged_values->values.load() : 0;
  Lookups2010 lookups;
  load_lists_2010(session, jobs, lookups, threads, observer, summary);
  const std::vector<uint64_t> sizes = job_sizes(session, jobs);
  RunReport report(observer, control, std::accumulate(sizes.begin(), sizes.end(), uint64_t{0}));
  // Several workers take the biggest folders first, so that none is left with a big one at
  // the end while the others wait; each job's result keeps its place.
  std::vector<size_t> order(jobs.size());
  std::iota(order.begin(), order.end(), size_t{0});
  if (threads > 1)
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return sizes[a] > sizes[b]; });
  std::vector<ExportSummary> results(jobs.size());
  std::vector<char> reached(jobs.size(), 0);
  const std::vector<std::string> worker_failures =
      run_on_workers(session, threads, jobs.size(), [&](scan::ScanSession& worker) -> TaskRunner {
        auto folder = std::make_shared<WorkFolder>(session.settings.temp_folder);
        auto exporter = std::make_shared<FolderExporter>(worker, &lookups, folder->path(), control, report);
        return [&, folder, exporter](size_t n) {
          const size_t i = order[n];
          reached[i] = 1;
          results[i] = exporter->run(jobs[i]);
          return !results[i].aborted;
        };
      });
  report.finish();
  for (const ExportSummary& result : results) summary.add(result);
  summary.failures.insert(summary.failures.end(), worker_failures.begin(), worker_failures.end());
  if (control.stop.stop_requested()) summary.aborted = true;
  // Folders that no worker reached (a worker could not start) count as not exported.
  if (!summary.aborted)
    for (size_t i = 0; i < jobs.size(); ++i)
      if (!reached[i]) {
        summary.failures.push_back("the folder " + jobs[i].display_path + " was not exported");
        observer.loss(summary.failures.back());
        FolderTally tally;
        tally.path = jobs[i].display_path;
        tally.uncounted.push_back(summary.failures.back());
        summary.tallies.push_back(std::move(tally));
      }
  if (session.damaged_values)
    if (const uint64_t damaged = session.damaged_values->values.load() - damaged_values_before; damaged > 0) {
      summary.store_losses.push_back(std::to_string(damaged) +
                                     " damaged value(s) of exported messages could not be read and were left empty");
      observer.loss(summary.store_losses.back());
    }
  return summary;
}

// Temporary MBOX files that a killed export left in the output tree.
void clear_stale_partials(const std::filesystem::path& tree, ExportObserver& observer) {
  for (const std::filesystem::path& file : remove_stale_partial_files(tree))
    observer.log("removed " + file.string() + ", left unfinished by an earlier export");
}

}  // namespace

ExportSummary export_mailboxes(scan::ScanSession& session, const MailboxExportRequest& request,
                               const ese::PassControl& control, ExportObserver& observer) {
  ExportSummary summary;
  if (!exportable_generation(session, summary)) return summary;
  const std::filesystem::path root = request.destination / kMailboxTreeRoot;
  std::error_code error;
  std::filesystem::create_directories(root, error);
  if (error) {
    summary.failures.push_back("cannot create the folder " + root.string() + ": " + error.message());
    return summary;
  }
  clear_stale_partials(root, observer);
  summary = run_jobs(session, plan_mailbox_jobs(session, request, root, observer), request.jobs, control, observer);
  // What the scan passed over (damaged mailbox and folder records, tables missing from a
  // damaged catalog) is missing from any whole-mailbox export.
  if (summary.refused.empty())
    for (const std::string& loss : session.losses) {
      summary.store_losses.push_back("the scan passed over damage: " + loss);
      observer.loss(summary.store_losses.back());
    }
  return summary;
}

ExportSummary export_selected_messages(scan::ScanSession& session, const SelectedItemsRequest& request,
                                       const ese::PassControl& control, ExportObserver& observer) {
  ExportSummary summary;
  if (!exportable_generation(session, summary)) return summary;
  FolderJob job = folder_job(session, request.folder);
  if (!job.folder2007 && !job.folder2010) {
    summary.refused = "the tree item is not a folder that holds messages";
    return summary;
  }
  std::filesystem::path directory = request.destination / kSelectedItemsRoot;
  const auto lineage = session.tree.lineage(request.folder);
  for (scan::TreeItem item : lineage) directory /= safe_component(session.tree.node(item).label);
  job.mailbox = session.tree.node(lineage.front()).label;
  job.display_path = display_path(session.tree, request.folder);
  job.mbox = directory / safe_component(session.tree.node(request.folder).label);
  job.whole_mailbox = false;
  job.only.insert(request.message_ids.begin(), request.message_ids.end());
  job.filter = request.filter;
  clear_stale_partials(request.destination / kSelectedItemsRoot, observer);
  job.format = request.format;
  return run_jobs(session, {job}, 1, control, observer);
}

}  // namespace quorvine::exporting
