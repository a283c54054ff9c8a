#pragma once
// Fills an ESE database with one Exchange generation's tables: the mailbox table, the
// folder tables with the folder tree, and per message the rows of the message, contents,
// header, body and attachment tables. Messages are added one at a time and not kept, so
// a store of any size is written in constant memory.
#include <memory>

#include "edbgen/ese_writer.hpp"
#include "edbgen/exchange_message.hpp"
#include "edbgen/scenario_model.hpp"

namespace edbgen {

struct StoreOptions {
  Generation generation = Generation::Ex2007;
  bool is_public = false;
  uint32_t page_size = 0;  // 0: the generation's own (8 KiB for 2007, 32 KiB for 2010/2013)
};

uint32_t default_page_size(Generation g);
WriterOptions writer_options(const StoreOptions& options);

// The attachment table of 2003/2007 stores; readers find it by its callback only.
inline constexpr const char* kAttachmentTable2007 = "AttachTbl_Jcb";
inline constexpr const char* kAttachmentCallback = "JCB.DLL!EcJcbAttachCallback";

class StoreFiller {
 public:
  virtual ~StoreFiller() = default;
  // Adds every table and writes the mailbox and folder records. `tree` holds the
  // mailboxes (or public folders) with identifiers assigned; its messages are ignored.
  virtual void begin(const Scenario& tree) = 0;
  // `mailbox` indexes tree.mailboxes (ignored in a public store); `folder` is a folder of
  // the tree passed to begin().
  virtual void add_message(size_t mailbox, const Folder& folder, const Message& m) = 0;
};

std::unique_ptr<StoreFiller> make_store_filler(DatabaseWriter& db, const StoreOptions& options);

// begin() and then every message of the scenario, folder by folder in tree order.
void fill_scenario(StoreFiller& filler, const Scenario& scenario);

// Name of the per-mailbox (or per-folder, public) tables of 2010 and 2013 stores.
std::string folder_table_2010(uint64_t mailbox_number);
std::string header_table_2010(uint64_t mailbox_number);
std::string body_table_2010(uint64_t mailbox_number);

}  // namespace edbgen
