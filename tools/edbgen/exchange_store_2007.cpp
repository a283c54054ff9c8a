// Exchange 2003/2007: "Mailbox", one "Folders" table for all mailboxes with URL paths,
// "Msg", the attachment table and one contents table "1-<hex>" per folder.
#include <map>

#include "edbgen/exchange_ids.hpp"
#include "edbgen/exchange_store_parts.hpp"
#include "edbgen/exchange_url.hpp"

namespace edbgen {
namespace {

ColumnSet mailbox_columns_2007() {
  ColumnSet c("Mailbox", "MailboxInstance");
  for (const char* n : {"Q6764", "S6773", "S3001", "L6638"}) c.add_property(n);
  return c;
}

ColumnSet folders_columns() {
  ColumnSet c("Folders", "FolderInstance");
  for (const char* n : {"Q6748", "Q6749", "Q6764", "S3001", "S3613", "L3602", "S6707"})
    c.add_property(n);
  return c;
}

ColumnSet msg_columns() {
  ColumnSet c("Msg", "MsgInstance");
  c.add_property("N67b0");
  c.add_property("N67b3");
  for (const char* n : {"S1a", "Se1d", "S3d", "S42", "S4031", "Te06", "T39", "T3007", "Be1b"})
    c.add_property(n);
  for (const std::string& n : message_property_columns()) c.add_property(n);
  return c;
}

ColumnSet attachment_columns() {
  ColumnSet c(kAttachmentTable2007, "AttachInstance");
  for (const char* n : {"Q3f88", "S3001", "N3701", "S3704", "Q674b", "L3705", "L0e20", "S370e"})
    c.add_property(n);
  c.add_callback(kAttachmentCallback);
  return c;
}

ColumnSet contents_columns(const std::string& name) {
  ColumnSet c(name, "RowInstance");
  for (const char* n : {"S42", "S4031", "N67bd", "N67be", "S1a", "Te06", "T3007", "T39", "S1000",
                        "N67b0", "Se1d", "S3d", "Be1b", "Le23", "N67b9", "N67ba"})
    c.add_property(n);
  return c;
}

void put_dates(RecordCells& cells, const MessageDates& d) {
  if (d.submit) cells.filetime("T39", *d.submit);
  if (d.delivery) cells.filetime("Te06", *d.delivery);
  if (d.creation) cells.filetime("T3007", *d.creation);
}

struct ContentsTable {
  ColumnSet columns;
  TableWriter* writer = nullptr;
  int32_t next_position = 0;
};

class Filler2007 : public StoreFiller {
 public:
  Filler2007(DatabaseWriter& db, bool is_public)
      : db_(db), is_public_(is_public), mailbox_(mailbox_columns_2007()), folders_(folders_columns()),
        msg_(msg_columns()), attachments_(attachment_columns()) {}

  void begin(const Scenario& tree) override {
    TableWriter* mailbox = is_public_ ? nullptr : &db_.add_table(mailbox_.def());
    TableWriter& folders = db_.add_table(folders_.def());
    msg_writer_ = &db_.add_table(msg_.def());
    att_writer_ = &db_.add_table(attachments_.def());
    if (is_public_) {
      // The public store's root and folders; any mailbox number will do.
      add_folder_tables(tree.public_folders);
      write_root(folders, tree.public_root_id, 1);
      for (const Folder& f : tree.public_folders) write_folder(folders, f, tree.public_root_id, 1, "");
      return;
    }
    for (const Mailbox& m : tree.mailboxes) add_folder_tables(m.folders);
    for (const Mailbox& m : tree.mailboxes) {
      RecordCells row(mailbox_);
      row.binary("Q6764", identifier_bytes(m.number));
      row.text_if("S6773", m.owner_name);
      row.text_if("S3001", m.display_name);
      row.int32("L6638", 0);
      mailbox->add_record(row.cells());
    }
    for (const Mailbox& m : tree.mailboxes) {
      write_root(folders, m.root_folder_id, m.number);
      for (const Folder& f : m.folders) write_folder(folders, f, m.root_folder_id, m.number, "");
    }
  }

  void add_message(size_t, const Folder& folder, const Message& m) override {
    const auto it = contents_.find(folder.id);
    if (it == contents_.end()) throw LayoutError("message added to a folder not in the tree");
    ContentsTable& table = it->second;

    RecordCells row(table.columns);
    row.binary("N67b0", identifier_bytes(m.id));
    row.text_if("S42", m.sender_name, Storage::Inline);
    row.text_if("S4031", m.sender_address, Storage::Inline);
    row.text_if("S1a", m.message_class, Storage::Inline);
    row.text_if("S1000", m.body_text);
    row.text_if("Se1d", m.subject, Storage::Inline);
    row.text_if("S3d", m.subject_prefix, Storage::Inline);
    row.boolean("Be1b", !m.attachments.empty());
    row.int32("Le23", table.next_position++);
    put_dates(row, m.dates);
    table.writer->add_record(row.cells());

    RecordCells msg(msg_);
    msg.binary("N67b0", identifier_bytes(m.id));
    if (!m.attachments.empty()) msg.binary("N67b3", attachment_id_list(m));
    // Readers parse the transport headers only when they come as a separate long value.
    put_message_content(msg, m, Storage::LongValue, !m.sparse_msg_record);
    if (!m.sparse_msg_record) {
      msg.text_if("S42", m.sender_name, Storage::Inline);
      msg.text_if("S4031", m.sender_address, Storage::Inline);
      put_dates(msg, m.dates);
    }
    msg.boolean("Be1b", !m.attachments.empty());
    put_fields(msg, msg_, m);
    msg_writer_->add_record(msg.cells());

    for (size_t i = 0; i < m.attachments.size(); ++i) {
      const Attachment& a = m.attachments[i];
      RecordCells att(attachments_);
      att.binary("Q3f88", identifier_bytes(m.attachment_ids[i]));
      att.binary("Q674b", identifier_bytes(m.id));
      att.text_if("S3001", a.name, Storage::Inline);
      att.text_if("S3704", a.name, Storage::Inline);
      att.binary("N3701", a.content);
      att.int32("L3705", 1);
      att.int32("L0e20", static_cast<int32_t>(a.content.size()));
      att.text_if("S370e", a.mime_type, Storage::Inline);
      att_writer_->add_record(att.cells());
    }
  }

 private:
  void add_folder_tables(const std::vector<Folder>& folders) {
    for (const Folder& f : folders) {
      const std::string name = contents_table_name(f.id);
      ContentsTable t{contents_columns(name), nullptr, 0};
      auto [it, inserted] = contents_.emplace(f.id, std::move(t));
      it->second.writer = &db_.add_table(it->second.columns.def());
      add_folder_tables(f.children);
    }
  }

  void write_root(TableWriter& folders, uint64_t root_id, uint64_t mailbox_number) {
    RecordCells root(folders_);
    root.binary("Q6748", identifier_bytes(root_id));
    root.binary("Q6749", identifier_bytes(0));
    root.binary("Q6764", identifier_bytes(mailbox_number));
    root.text("S6707", "/NON_IPM_SUBTREE", Storage::Inline);
    root.int32("L3602", 0);
    folders.add_record(root.cells());
  }

  void write_folder(TableWriter& folders, const Folder& f, uint64_t parent, uint64_t mailbox_number,
                    const std::string& parent_path) {
    const std::string path = parent_path + "/" + url_segment(f.name);
    RecordCells row(folders_);
    row.binary("Q6748", identifier_bytes(f.id));
    row.binary("Q6749", identifier_bytes(parent));
    row.binary("Q6764", identifier_bytes(mailbox_number));
    row.text_if("S3001", f.name, Storage::Inline);
    row.text_if("S3613", f.container_class, Storage::Inline);
    row.int32("L3602", static_cast<int32_t>(f.messages.size()));
    row.text("S6707", path, Storage::Inline);
    folders.add_record(row.cells());
    for (const Folder& child : f.children) write_folder(folders, child, f.id, mailbox_number, path);
  }

  DatabaseWriter& db_;
  bool is_public_;
  ColumnSet mailbox_, folders_, msg_, attachments_;
  TableWriter* msg_writer_ = nullptr;
  TableWriter* att_writer_ = nullptr;
  std::map<uint64_t, ContentsTable> contents_;
};

}  // namespace

std::unique_ptr<StoreFiller> make_filler_2007(DatabaseWriter& db, bool is_public) {
  return std::make_unique<Filler2007>(db, is_public);
}

}  // namespace edbgen
