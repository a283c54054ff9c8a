#include "listing/message_listing.hpp"

#include "listing/contents_rows.hpp"
#include "listing/header_list_loader.hpp"
#include "listing/packed_rows.hpp"

namespace quorvine::listing {
namespace {

// Takes the part's storage whole when `into` is empty: copying one big folder's rows into
// a new vector would hold them twice.
template <typename T>
void append(std::vector<T>& into, std::vector<T>&& part) {
  if (into.empty()) {
    into = std::move(part);
    return;
  }
  into.reserve(into.size() + part.size());
  for (T& item : part) into.push_back(std::move(item));
}

// Calls `contents` for every 2003/2007 folder record of `item`, or `headers` for its first
// 2010/2013 folder record, with the tree kept still meanwhile.
template <typename Contents, typename Headers>
void for_each_folder_of(scan::ScanSession& session, scan::TreeItem item, scan::ScanObserver& observer,
                        Contents&& contents, Headers&& headers) {
  observer.control_enabled(scan::Control::Tree, false);
  switch (session.settings.generation) {
    case decode::Generation::V2007:
      for (const scan::Folder2007& folder : session.folders_2007)
        if (folder.treeItem == item) contents(folder);
      break;
    case decode::Generation::V2010:
    case decode::Generation::V2013:
      for (const scan::Folder2010& folder : session.folders_2010) {
        if (folder.treeItem != item) continue;
        headers(folder);
        break;
      }
      break;
    case decode::Generation::Unset:
      break;
  }
  observer.control_enabled(scan::Control::Tree, true);
}

}  // namespace

decode::DecodeContext decode_context_for(const scan::ScanSession& session) {
  decode::DecodeContext ctx;
  ctx.generation = session.settings.generation;
  ctx.format_revision = session.format_revision;
  ctx.temp_folder = session.settings.temp_folder;
  ctx.damage = session.decode_context.damage;
  return ctx;
}

FolderListing list_folder(scan::ScanSession& session, const decode::DecodeContext& ctx,
                                       scan::TreeItem item, scan::ScanObserver& observer,
                                       const ese::PassControl& control) {
  FolderListing folder_listing;
  for_each_folder_of(
      session, item, observer,
      [&](const scan::Folder2007& folder) {
        FolderListing part = list_contents_folder(session, ctx, folder, observer, control);
        folder_listing.records_skipped += part.records_skipped;
        for (auto& warning : part.warnings) folder_listing.warnings.push_back(std::move(warning));
        append(folder_listing.rows, std::move(part.rows));
        append(folder_listing.body_texts, std::move(part.body_texts));
      },
      [&](const scan::Folder2010& folder) {
        HeaderListLoader loader(session, ctx, observer, control);
        folder_listing.rows = loader.list_folder(folder);
        folder_listing.records_skipped = loader.records_skipped();
        folder_listing.warnings = loader.warnings();
      });
  return folder_listing;
}

ListingTally for_each_listed_row(scan::ScanSession& session, const decode::DecodeContext& ctx, scan::TreeItem item,
                                 scan::ScanObserver& observer, const ese::PassControl& control,
                                 const std::function<void(const MessageListRow&)>& visit) {
  ListingTally tally;
  for_each_folder_of(
      session, item, observer,
      [&](const scan::Folder2007& folder) {
        struct Packer : RowKeeper {
          PackedRows rows;
          void expect(size_t records) override { rows.reserve(records); }
          void keep(MessageListRow&& row, std::string&&) override { rows.push_back(row); }
        } packer;
        ContentsPass pass = read_contents_rows(session, ctx, folder, observer, control, packer);
        tally.records_skipped += pass.records_skipped;
        for (auto& warning : pass.warnings) tally.warnings.push_back(std::move(warning));
        for (const size_t row : pass.display_order) visit(packer.rows.at(row));
        tally.rows += pass.display_order.size();
      },
      [&](const scan::Folder2010& folder) {
        HeaderListLoader loader(session, ctx, observer, control);
        tally.rows = loader.for_each_row(folder, visit);
        tally.records_skipped = loader.records_skipped();
        tally.warnings = loader.warnings();
      });
  return tally;
}

uint64_t ensure_bodies_loaded(scan::ScanSession& session, const decode::DecodeContext& ctx, scan::TreeItem item,
                              scan::ScanObserver& observer, const ese::PassControl& control) {
  HeaderListLoader loader(session, ctx, observer, control);
  for (const scan::Folder2010& folder : session.folders_2010) {
    if (folder.treeItem != item) continue;
    loader.ensure_bodies_loaded(folder);
    break;
  }
  return loader.records_skipped();
}

}  // namespace quorvine::listing
