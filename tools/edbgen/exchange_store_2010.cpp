// Exchange 2010: "Mailbox" with readable column names, and per mailbox "Folders-a-b",
// "MsgHeader-a-b" and "Body-a-b" (message rows and attachment rows in one table). The
// public store has one "Folders" table and per folder "MsgHeader-<id>" and "Body-<id>".
#include <map>

#include "edbgen/exchange_ids.hpp"
#include "edbgen/exchange_store_parts.hpp"

namespace edbgen {
namespace {

ColumnSet mailbox_columns_2010() {
  ColumnSet c("Mailbox", "MailboxPartitionNumber");
  c.add("MailboxNumber", ColumnType::Binary, false, false, 8);
  c.add("MailboxOwnerDisplayName", ColumnType::LargeText);
  c.add("DisplayName", ColumnType::LargeText);
  c.add("MailboxGuid", ColumnType::Guid);
  return c;
}

ColumnSet folder_columns(const std::string& name) {
  ColumnSet c(name, "FolderPartition");
  for (const char* n : {"Q6748", "Q6749", "Q6764", "S3001", "S3613", "L3602", "S6707"})
    c.add_property(n, true);
  return c;
}

ColumnSet header_columns(const std::string& name) {
  ColumnSet c(name, "HeaderPartition");
  for (const char* n : {"Q6748", "N67b0", "Se04", "Se1d", "S3d", "S70", "S1a", "Be1b", "Te06",
                        "T3007", "T39", "S42"})
    c.add_property(n, true);
  return c;
}

ColumnSet body_columns(const std::string& name) {
  ColumnSet c(name, "BodyPartition");
  for (const char* n : {"N67b0", "N65f9", "L3705", "S1a", "Se1d", "S3d"}) c.add_property(n, true);
  for (const std::string& n : message_property_columns()) c.add_property(n, true);
  return c;
}

struct MessageTables {
  ColumnSet header, body;
  TableWriter* header_writer = nullptr;
  TableWriter* body_writer = nullptr;
};

class Filler2010 : public StoreFiller {
 public:
  Filler2010(DatabaseWriter& db, bool is_public)
      : db_(db), is_public_(is_public), mailbox_(mailbox_columns_2010()) {}

  void begin(const Scenario& tree) override {
    if (is_public_) {
      ColumnSet folders = folder_columns("Folders");
      TableWriter& writer = db_.add_table(folders.def());
      add_public_tables(tree.public_folders);
      write_folder_row(writer, folders, tree.public_root_id, 0, 1, "");
      for (const Folder& f : tree.public_folders) write_folders(writer, folders, f, 0, 1);
      return;
    }
    TableWriter& mailbox = db_.add_table(mailbox_.def());
    std::vector<std::pair<ColumnSet, TableWriter*>> folder_tables;
    for (const Mailbox& m : tree.mailboxes) {
      ColumnSet folders = folder_columns(folder_table_2010(m.number));
      TableWriter* fw = &db_.add_table(folders.def());
      folder_tables.emplace_back(std::move(folders), fw);
      add_message_tables(m.number, header_table_2010(m.number), body_table_2010(m.number));
    }
    for (const Mailbox& m : tree.mailboxes) {
      RecordCells row(mailbox_);
      row.binary("MailboxNumber", identifier_bytes(m.number));
      row.text_if("MailboxOwnerDisplayName", m.owner_name, Storage::Inline);
      row.text_if("DisplayName", m.display_name, Storage::Inline);
      Bytes guid(16, 0);
      for (int i = 0; i < 8; ++i) guid[8 + i] = static_cast<uint8_t>(m.number >> (8 * i));
      guid[0] = 0x51;
      row.binary("MailboxGuid", guid);
      mailbox.add_record(row.cells());
    }
    for (size_t i = 0; i < tree.mailboxes.size(); ++i) {
      const Mailbox& m = tree.mailboxes[i];
      auto& [columns, writer] = folder_tables[i];
      // The root has parent 0 and no name; the top folders name the mailbox as parent.
      write_folder_row(*writer, columns, m.root_folder_id, 0, m.number, "");
      for (const Folder& f : m.folders) write_folders(*writer, columns, f, m.number, m.number);
      mailbox_tables_[i] = m.number;
    }
  }

  void add_message(size_t mailbox, const Folder& folder, const Message& m) override {
    const uint64_t key = is_public_ ? folder.id : mailbox_tables_.at(mailbox);
    MessageTables& t = tables_.at(key);
    RecordCells h(t.header);
    h.binary("Q6748", identifier_bytes(folder.id));
    h.binary("N67b0", identifier_bytes(m.id));
    h.text_if("Se04", display_to(m), Storage::Inline);
    h.text_if("Se1d", m.subject, Storage::Inline);
    h.text_if("S3d", m.subject_prefix, Storage::Inline);
    h.text_if("S70", m.subject, Storage::Inline);
    h.text_if("S1a", m.message_class, Storage::Inline);
    h.boolean("Be1b", !m.attachments.empty());
    if (m.dates.delivery) h.filetime("Te06", *m.dates.delivery);
    if (m.dates.creation) h.filetime("T3007", *m.dates.creation);
    if (m.dates.submit) h.filetime("T39", *m.dates.submit);
    h.text_if("S42", m.sender_name, Storage::Inline);
    t.header_writer->add_record(h.cells());

    RecordCells b(t.body);
    b.binary("N67b0", identifier_bytes(m.id));
    b.binary("N65f9", identifier_bytes(m.id));
    b.int32("L3705", 0);
    if (!m.attachments.empty()) b.binary("N67b3", attachment_id_list(m));
    put_message_content(b, m, Storage::Auto);
    put_fields(b, t.body, m);
    t.body_writer->add_record(b.cells());
    for (size_t i = 0; i < m.attachments.size(); ++i) {
      const Attachment& a = m.attachments[i];
      RecordCells row(t.body);
      row.binary("N65f9", identifier_bytes(m.attachment_ids[i]));
      row.int32("L3705", 1);
      row.text_if("S3001", a.name, Storage::Inline);
      row.text_if("S3707", a.name, Storage::Inline);
      row.binary("N3701", a.content);
      row.text_if("S370e", a.mime_type, Storage::Inline);
      t.body_writer->add_record(row.cells());
    }
  }

 private:
  void add_message_tables(uint64_t key, const std::string& header, const std::string& body) {
    MessageTables t{header_columns(header), body_columns(body)};
    auto [it, inserted] = tables_.emplace(key, std::move(t));
    it->second.header_writer = &db_.add_table(it->second.header.def());
    it->second.body_writer = &db_.add_table(it->second.body.def());
  }

  void add_public_tables(const std::vector<Folder>& folders) {
    for (const Folder& f : folders) {
      const std::string id = replica_counter_text(f.id);
      add_message_tables(f.id, "MsgHeader-" + id, "Body-" + id);
      add_public_tables(f.children);
    }
  }

  void write_folder_row(TableWriter& writer, const ColumnSet& columns, uint64_t id, uint64_t parent,
                        uint64_t mailbox_number, const std::string& name,
                        const std::string& container_class = "", int32_t count = 0) {
    RecordCells row(columns);
    row.binary("Q6748", identifier_bytes(id));
    row.binary("Q6749", identifier_bytes(parent));
    row.binary("Q6764", identifier_bytes(mailbox_number));
    row.text_if("S3001", name, Storage::Inline);
    row.text_if("S3613", container_class, Storage::Inline);
    row.int32("L3602", count);
    writer.add_record(row.cells());
  }

  void write_folders(TableWriter& writer, const ColumnSet& columns, const Folder& f, uint64_t parent,
                     uint64_t mailbox_number) {
    write_folder_row(writer, columns, f.id, parent, mailbox_number, f.name, f.container_class,
                     static_cast<int32_t>(f.messages.size()));
    for (const Folder& child : f.children) write_folders(writer, columns, child, f.id, mailbox_number);
  }

  DatabaseWriter& db_;
  bool is_public_;
  ColumnSet mailbox_;
  std::map<uint64_t, MessageTables> tables_;  // by mailbox number, or folder id (public)
  std::map<size_t, uint64_t> mailbox_tables_;
};

}  // namespace

std::unique_ptr<StoreFiller> make_filler_2010(DatabaseWriter& db, bool is_public) {
  return std::make_unique<Filler2010>(db, is_public);
}

}  // namespace edbgen
