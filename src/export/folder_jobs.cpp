#include "export/folder_jobs.hpp"

#include "export/output_names.hpp"
#include "listing/header_list_loader.hpp"
#include "listing/message_list_2007.hpp"

namespace quorvine::exporting {

listing::HeaderFolderRef folder_ref(const scan::Folder2010& f) {
  return {f.folderId, f.mailboxName, f.folderTable, f.folderName};
}

bool exportable_generation(const scan::ScanSession& session, ExportSummary& summary) {
  switch (session.settings.generation) {
    case decode::Generation::V2007:
    case decode::Generation::V2010:
      if (session.database) return true;
      summary.refused = "the store is not open";
      return false;
    case decode::Generation::V2013:
      summary.refused = "Exchange 2013 stores cannot be exported yet; nothing was written";
      return false;
    case decode::Generation::Unset:
      break;
  }
  summary.refused = "the store's Exchange generation is not known; nothing was written";
  return false;
}

FolderJob folder_job(const scan::ScanSession& session, scan::TreeItem item) {
  FolderJob job;
  for (const auto& f : session.folders_2007)
    if (f.treeItem == item && !f.folderId.empty()) job.folder2007 = &f;
  for (const auto& f : session.folders_2010)
    if (f.treeItem == item && !f.folderName.empty()) {
      job.folder2010 = &f;
      const auto generation = session.settings.generation;
      job.header_table = listing::header_table_name(folder_ref(f), generation, session.is_public());
      job.body_table = listing::body_table_name(folder_ref(f), generation, session.is_public());
    }
  return job;
}

std::string display_path(const scan::MailboxTree& tree, scan::TreeItem item) {
  std::string path;
  for (scan::TreeItem i : tree.lineage(item)) path += (path.empty() ? "" : "/") + tree.node(i).label;
  return path;
}

std::vector<std::string> folder_labels(const scan::MailboxTree& tree, scan::TreeItem item) {
  std::vector<std::string> labels;
  const auto lineage = tree.lineage(item);
  for (size_t i = 1; i < lineage.size(); ++i) labels.push_back(tree.node(lineage[i]).label);
  return labels;
}

std::vector<FolderJob> plan_mailbox_jobs(const scan::ScanSession& session, const MailboxExportRequest& request,
                                         const std::filesystem::path& root, ExportObserver& observer) {
  const std::set<scan::TreeItem> checked(request.checked.begin(), request.checked.end());
  const scan::MailboxTree& tree = session.tree;
  std::vector<FolderJob> jobs;
  std::set<std::filesystem::path> used;
  std::error_code error;
  for (scan::TreeItem mailbox : tree.root().children) {
    std::vector<scan::TreeItem> folders;
    std::vector<scan::TreeItem> pending(tree.node(mailbox).children.rbegin(), tree.node(mailbox).children.rend());
    while (!pending.empty()) {
      const scan::TreeItem item = pending.back();
      pending.pop_back();
      if (checked.count(item)) folders.push_back(item);
      const auto& children = tree.node(item).children;
      pending.insert(pending.end(), children.rbegin(), children.rend());
    }
    if (folders.empty()) continue;
    const std::string& mailbox_name = tree.node(mailbox).label;
    observer.log("Create folder tree processing");
    const std::filesystem::path mailbox_dir = root / mailbox_directory_name(mailbox_name);
    for (scan::TreeItem item : folders) {
      FolderJob job = folder_job(session, item);
      if (!job.folder2007 && !job.folder2010) continue;
      const std::vector<std::string> labels = folder_labels(tree, item);
      std::filesystem::path plain = mailbox_dir, renamed = mailbox_dir;
      for (const std::string& c : folder_directory_components(labels, false)) plain /= c;
      for (const std::string& c : folder_directory_components(labels, true)) renamed /= c;
      // The tree of the checked folders as named, before "Deleted Items" is renamed.
      std::filesystem::create_directories(plain, error);
      std::filesystem::path mbox = renamed / safe_component(labels.back());
      // Two folders whose names become equal on disk get distinct files.
      for (int n = 2; used.count(mbox); ++n)
        mbox = renamed / (safe_component(labels.back()) + " (" + std::to_string(n) + ")");
      used.insert(mbox);
      job.mailbox = mailbox_name;
      job.display_path = display_path(tree, item);
      job.mbox = mbox;
      job.filter = request.filter;
      job.format = request.format;
      job.items = request.items;
      jobs.push_back(std::move(job));
    }
  }
  return jobs;
}

std::vector<uint64_t> job_sizes(const scan::ScanSession& session, const std::vector<FolderJob>& jobs) {
  std::vector<uint64_t> sizes;
  for (const FolderJob& job : jobs) {
    uint64_t size = 0;
    if (job.folder2007) {
      try {
        if (auto table = listing::open_contents_table(session, *job.folder2007)) size = table->record_count();
      } catch (const ese::EseError&) {
        size = 0;
      }
    } else if (job.folder2010) {
      size = job.only.empty() ? job.header_entries.size() : job.only.size();
    }
    sizes.push_back(size);
  }
  return sizes;
}

}  // namespace quorvine::exporting
