#include "edbgen/exchange_store.hpp"

#include "edbgen/exchange_store_parts.hpp"

namespace edbgen {
namespace {

void fill_folder(StoreFiller& filler, size_t mailbox, const Folder& folder) {
  for (const Message& m : folder.messages) filler.add_message(mailbox, folder, m);
  for (const Folder& child : folder.children) fill_folder(filler, mailbox, child);
}

}  // namespace

uint32_t default_page_size(Generation g) { return g == Generation::Ex2007 ? 8192 : 32768; }

WriterOptions writer_options(const StoreOptions& options) {
  WriterOptions w;
  w.page_size = options.page_size ? options.page_size : default_page_size(options.generation);
  w.format_version = 0x620;
  // Exchange 2010 databases are of revision 17; its identifiers take the replica form.
  const uint32_t revision = options.generation == Generation::Ex2010 ? 0x11 : 0x14;
  w.format_revision = revision;
  w.creation_format_revision = revision;
  return w;
}

std::string folder_table_2010(uint64_t n) { return "Folders-" + std::to_string(n) + "-1"; }
std::string header_table_2010(uint64_t n) { return "MsgHeader-" + std::to_string(n) + "-1"; }
std::string body_table_2010(uint64_t n) { return "Body-" + std::to_string(n) + "-1"; }

std::unique_ptr<StoreFiller> make_store_filler(DatabaseWriter& db, const StoreOptions& options) {
  switch (options.generation) {
    case Generation::Ex2007: return make_filler_2007(db, options.is_public);
    case Generation::Ex2010: return make_filler_2010(db, options.is_public);
    case Generation::Ex2013: return make_filler_2013(db, options.is_public);
  }
  throw LayoutError("unknown Exchange generation");
}

void fill_scenario(StoreFiller& filler, const Scenario& scenario) {
  filler.begin(scenario);
  for (size_t i = 0; i < scenario.mailboxes.size(); ++i)
    for (const Folder& f : scenario.mailboxes[i].folders) fill_folder(filler, i, f);
  for (const Folder& f : scenario.public_folders) fill_folder(filler, 0, f);
}

}  // namespace edbgen
