#pragma once
// Small hand-made Exchange stores for the scan tests, written with edbgen's ESE writer so
// each test controls exactly the mailboxes, folders and identifiers it needs.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "scan/mailbox_tree.hpp"
#include "scan/scan_observer.hpp"
#include "scan/scan_session.hpp"

namespace scan_test {

using Bytes = std::vector<uint8_t>;

// An 8-byte identifier, big-endian (its text is the hex of `value`).
Bytes id_bytes(uint64_t value);

struct MailboxRow {
  uint64_t number = 0;
  std::string name;
  std::string owner;
};

struct FolderRow {
  uint64_t id = 0;
  uint64_t parent = 0;
  uint64_t mailbox = 0;
  std::string name;
  std::string url;  // "S6707" (2003/2007)
  std::string container_class;
};

struct MessageRow {
  uint64_t id = 0;
  Bytes attachment_ids;  // "N67b3"
};

struct AttachmentRow {
  uint64_t id = 0;
  std::string display_name;
  std::string file_name;
};

struct Store2007 {
  bool has_mailbox_table = true;
  std::vector<MailboxRow> mailboxes;
  std::vector<FolderRow> folders;
  std::vector<MessageRow> messages;
  std::vector<AttachmentRow> attachments;
  std::string attachment_table = "Attachment";
  bool attachment_callback = true;
  std::vector<std::string> extra_tables;  // empty tables, e.g. contents tables "1-2D5E3"
  uint32_t format_revision = 0x14;
  bool dirty = false;
};
void write_store_2007(const std::filesystem::path& out, const Store2007& store);

// 2010: one "Folders-<a>-<b>" table per entry of `folder_tables`.
struct FolderTable2010 {
  std::string name;
  std::vector<FolderRow> folders;
};
struct Store2010 {
  bool has_mailbox_table = true;
  std::vector<MailboxRow> mailboxes;
  std::vector<FolderTable2010> folder_tables;
};
void write_store_2010(const std::filesystem::path& out, const Store2010& store);

// 2013: "Mailbox" with readable names and one "Folder_<n>" table per entry; identifiers
// are 26 bytes, given here as their last 8 bytes (0 means 26 zero bytes).
struct FolderTable2013 {
  std::string name;
  std::vector<FolderRow> folders;
};
struct Store2013 {
  bool has_mailbox_table = true;
  std::vector<MailboxRow> mailboxes;
  std::vector<FolderTable2013> folder_tables;
};
void write_store_2013(const std::filesystem::path& out, const Store2013& store);

// Makes the first record of table `table` in `file` unreadable (its variable-data offset
// points outside it) and reseals the page, so only the record parser sees the damage.
void damage_first_record(const std::filesystem::path& file, const std::string& table);

// Runs the scan on `file` and returns the session.
struct ScanRun {
  quorvine::scan::ScanSession session;
  std::vector<std::string> statuses;
  std::vector<std::string> warnings;
  std::vector<std::string> message_boxes;
};
void run_scan(ScanRun& run, const std::filesystem::path& file,
              quorvine::decode::Generation version,
              const std::filesystem::path& work = {});

// The tree as lines "  label [class]", two blanks per level, root excluded.
std::string tree_lines(const quorvine::scan::MailboxTree& tree);

// Records what the scan reports.
class RecordingObserver final : public quorvine::scan::ScanObserver {
 public:
  explicit RecordingObserver(ScanRun& run) : run_(run) {}
  void status(std::string_view text) override { run_.statuses.emplace_back(text); }
  void preview_notice(std::string_view) override {}
  void progress_range(uint64_t maximum) override { ranges.push_back(maximum); }
  void progress_position(uint64_t position) override { positions.push_back(position); }
  void progress_text(std::string_view text) override { texts.emplace_back(text); }
  void tree_item_added(const quorvine::scan::AddedTreeItem& added) override {
    ++items;
    added_items.push_back(added);
  }
  void control_enabled(quorvine::scan::Control, bool) override {}
  void message_box(std::string_view text, std::string_view) override {
    run_.message_boxes.emplace_back(text);
  }
  void warning(std::string_view text) override { run_.warnings.emplace_back(text); }

  std::vector<uint64_t> ranges;
  std::vector<uint64_t> positions;
  std::vector<std::string> texts;
  size_t items = 0;
  std::vector<quorvine::scan::AddedTreeItem> added_items;

 private:
  ScanRun& run_;
};

}  // namespace scan_test
