#include "scan_fixture.hpp"

#include <gtest/gtest.h>

#include <fstream>

#include "edbgen/ese_checksum.hpp"
#include "edbgen/exchange_columns.hpp"
#include "ese/byte_source.hpp"
#include "ese/error.hpp"
#include "ese/page_reader.hpp"
#include "scan/scan_driver.hpp"

namespace scan_test {

using edbgen::ColumnSet;
using edbgen::RecordCells;
using quorvine::ese::ColumnType;

Bytes id_bytes(uint64_t value) {
  Bytes out(8);
  for (int i = 7; i >= 0; --i, value >>= 8) out[static_cast<size_t>(i)] = value & 0xFF;
  return out;
}

namespace {

Bytes id_bytes_26(uint64_t value) {
  Bytes out(26, 0);
  const Bytes tail = id_bytes(value);
  std::copy(tail.begin(), tail.end(), out.end() - 8);
  return out;
}

edbgen::WriterOptions options(uint32_t revision, bool dirty) {
  edbgen::WriterOptions o;
  o.format_revision = revision;
  o.creation_format_revision = revision;
  if (dirty) o.state = quorvine::ese::DatabaseState::DirtyShutdown;
  return o;
}

void write_mailboxes_2007(edbgen::DatabaseWriter& writer, const std::vector<MailboxRow>& rows) {
  ColumnSet columns("Mailbox", "MailboxRowId");
  for (const char* name : {"Q6764", "S6773", "S3001"}) columns.add_property(name);
  auto& table = writer.add_table(columns.def());
  for (const MailboxRow& row : rows) {
    RecordCells cells(columns);
    cells.binary("Q6764", id_bytes(row.number));
    cells.text_if("S6773", row.owner);
    cells.text_if("S3001", row.name);
    table.add_record(cells.cells());
  }
}

void write_folders(edbgen::DatabaseWriter& writer, const std::string& name,
                   const std::vector<FolderRow>& rows) {
  ColumnSet columns(name, "FolderRowId");
  for (const char* column : {"Q6748", "Q6749", "Q6764", "S3001", "S3613", "L3602", "S6707"})
    columns.add_property(column);
  auto& table = writer.add_table(columns.def());
  for (const FolderRow& row : rows) {
    RecordCells cells(columns);
    cells.binary("Q6748", id_bytes(row.id));
    cells.binary("Q6749", id_bytes(row.parent));
    cells.binary("Q6764", id_bytes(row.mailbox));
    cells.text_if("S3001", row.name);
    cells.text_if("S3613", row.container_class);
    cells.int32("L3602", 0);
    cells.text_if("S6707", row.url);
    table.add_record(cells.cells());
  }
}

}  // namespace

void write_store_2007(const std::filesystem::path& out, const Store2007& store) {
  edbgen::DatabaseWriter writer(out, options(store.format_revision, store.dirty));
  if (store.has_mailbox_table) write_mailboxes_2007(writer, store.mailboxes);
  write_folders(writer, "Folders", store.folders);

  ColumnSet msg("Msg", "MsgRowId");
  msg.add_property("N67b0");
  msg.add_property("N67b3");
  msg.add_property("S1000");
  auto& msg_table = writer.add_table(msg.def());
  for (const MessageRow& row : store.messages) {
    RecordCells cells(msg);
    cells.binary("N67b0", id_bytes(row.id));
    if (!row.attachment_ids.empty()) cells.binary("N67b3", row.attachment_ids);
    cells.text("S1000", "body text that the index scan must not read");
    msg_table.add_record(cells.cells());
  }

  ColumnSet att(store.attachment_table, "AttRowId");
  for (const char* column : {"Q3f88", "S3001", "S3704", "N3701", "Q674b"}) att.add_property(column);
  if (store.attachment_callback) att.add_callback("JCB.DLL!EcJcbAttachCallback");
  auto& att_table = writer.add_table(att.def());
  for (const AttachmentRow& row : store.attachments) {
    RecordCells cells(att);
    cells.binary("Q3f88", id_bytes(row.id));
    cells.text_if("S3001", row.display_name);
    cells.text_if("S3704", row.file_name);
    cells.binary("N3701", Bytes(64, 0x41));
    att_table.add_record(cells.cells());
  }
  for (const std::string& name : store.extra_tables) {
    ColumnSet extra(name, "RowId");
    writer.add_table(extra.def());
  }
  writer.finish();
}

void write_store_2010(const std::filesystem::path& out, const Store2010& store) {
  edbgen::DatabaseWriter writer(out, options(0x14, false));
  if (store.has_mailbox_table) write_mailboxes_2007(writer, store.mailboxes);
  for (const FolderTable2010& table : store.folder_tables)
    write_folders(writer, table.name, table.folders);
  writer.finish();
}

void write_store_2013(const std::filesystem::path& out, const Store2013& store) {
  edbgen::DatabaseWriter writer(out, options(0x14, false));
  if (store.has_mailbox_table) {
    ColumnSet columns("Mailbox", "MailboxRowId");
    columns.add("MailboxNumber", ColumnType::Long);
    columns.add("MailboxOwnerDisplayName", ColumnType::Text);
    columns.add("DisplayName", ColumnType::Text);
    auto& table = writer.add_table(columns.def());
    for (const MailboxRow& row : store.mailboxes) {
      RecordCells cells(columns);
      cells.int32("MailboxNumber", static_cast<int32_t>(row.number));
      cells.text_if("MailboxOwnerDisplayName", row.owner);
      cells.text_if("DisplayName", row.name);
      table.add_record(cells.cells());
    }
  }
  for (const FolderTable2013& folder_table : store.folder_tables) {
    ColumnSet columns(folder_table.name, "FolderRowId");
    columns.add("FolderId", ColumnType::Binary);
    columns.add("ParentFolderId", ColumnType::Binary);
    columns.add("DisplayName", ColumnType::Text);
    columns.add("ContainerClass", ColumnType::Text);
    columns.add("LcnCurrent", ColumnType::LongLong);
    auto& table = writer.add_table(columns.def());
    for (const FolderRow& row : folder_table.folders) {
      RecordCells cells(columns);
      cells.binary("FolderId", id_bytes_26(row.id));
      cells.binary("ParentFolderId", id_bytes_26(row.parent));
      cells.text_if("DisplayName", row.name);
      cells.text_if("ContainerClass", row.container_class);
      table.add_record(cells.cells());
    }
  }
  writer.finish();
}

void run_scan(ScanRun& run, const std::filesystem::path& file,
              quorvine::decode::Generation version, const std::filesystem::path& work) {
  run.session.settings.database_file = file;
  run.session.settings.generation = version;
  run.session.settings.work_folder = work;
  RecordingObserver observer(run);
  quorvine::scan::scan_store(run.session, observer);
}

std::string tree_lines(const quorvine::scan::MailboxTree& tree) {
  std::string out;
  struct Step {
    quorvine::scan::TreeItem item;
    size_t depth;
  };
  std::vector<Step> stack;
  const auto& top = tree.root().children;
  for (auto it = top.rbegin(); it != top.rend(); ++it) stack.push_back({*it, 0});
  while (!stack.empty()) {
    const Step step = stack.back();
    stack.pop_back();
    const auto& node = tree.node(step.item);
    out.append(step.depth * 2, ' ');
    out += node.label;
    if (!node.folderClass.empty()) out += " [" + node.folderClass + "]";
    out += '\n';
    for (auto it = node.children.rbegin(); it != node.children.rend(); ++it)
      stack.push_back({*it, step.depth + 1});
  }
  return out;
}

}  // namespace scan_test

namespace scan_test {

void damage_first_record(const std::filesystem::path& file, const std::string& table) {
  namespace ese = quorvine::ese;
  uint32_t object_id = 0;
  uint32_t page_size = 0;
  uint32_t revision = 0;
  {
    const ese::Database db = ese::Database::open(file);
    page_size = db.header().page_size;
    revision = db.header().format_revision;
    for (const ese::TableInfo& info : db.tables())
      if (info.name == table) object_id = info.object_id;
  }
  ASSERT_NE(object_id, 0u) << table;
  std::vector<uint8_t> bytes;
  {
    std::ifstream in(file, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), {});
  }
  ese::detail::PageReader reader(std::make_shared<ese::detail::MemorySource>(bytes),
                                 ese::detail::PageLayout{page_size, revision});
  for (uint32_t n = 1; n <= reader.page_count(); ++n) {
    ese::detail::Page page;
    try {
      page = reader.read(n);
    } catch (const ese::EseError&) {
      continue;
    }
    if (page.fdp_object_id != object_id || !page.is_leaf() || page.entries.empty() || page.previous != 0 ||
        (page.flags & ese::detail::page_flags::space_tree))
      continue;
    const size_t at = (n + 1ull) * page_size + page.entries.front().data_offset + 2;
    bytes[at] = 0xFF;
    bytes[at + 1] = 0xFF;
    edbgen::ese::seal_page(std::span<uint8_t>(bytes).subspan((n + 1ull) * page_size, page_size), n);
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return;
  }
  ADD_FAILURE() << "no first leaf page of " << table;
}

}  // namespace scan_test
