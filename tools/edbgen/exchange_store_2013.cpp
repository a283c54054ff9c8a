// Exchange 2013: "Mailbox" and per mailbox "Folder_N" (26-byte folder identifiers, the
// root first), "Message_N" and "Attachment_N". A public store has no "Mailbox" table.
#include <map>

#include "edbgen/exchange_ids.hpp"
#include "edbgen/exchange_rtf.hpp"
#include "edbgen/exchange_store_parts.hpp"

namespace edbgen {
namespace {

constexpr uint64_t kPublicNumber = 1;

ColumnSet mailbox_columns_2013() {
  ColumnSet c("Mailbox", "MailboxPartitionNumber");
  c.add("MailboxNumber", ColumnType::Long, false, false, 0, true);
  c.add("MailboxOwnerDisplayName", ColumnType::LargeText);
  c.add("DisplayName", ColumnType::LargeText);
  c.add("MailboxGuid", ColumnType::Guid);
  return c;
}

ColumnSet folder_columns(uint64_t number) {
  ColumnSet c("Folder_" + std::to_string(number), "MailboxPartitionNumber");
  c.add("FolderId", ColumnType::Binary, false, false, 26);
  c.add("ParentFolderId", ColumnType::Binary, false, false, 26);
  c.add("DisplayName", ColumnType::LargeText, true);
  c.add("ContainerClass", ColumnType::LargeText, true);
  c.add("LcnCurrent", ColumnType::LongLong);
  c.add("MessageCount", ColumnType::LongLong);
  return c;
}

ColumnSet message_columns(uint64_t number) {
  ColumnSet c("Message_" + std::to_string(number), "MailboxPartitionNumber");
  c.add("MessageDocumentId", ColumnType::Long, false, false, 0, true);
  c.add("FolderId", ColumnType::Binary, false, false, 26);
  c.add("MessageId", ColumnType::Binary, false, false, 8);
  c.add("MessageClass", ColumnType::LargeText, true);
  c.add("RecipientList", ColumnType::LargeBinary);
  c.add("DisplayTo", ColumnType::LargeText, true);
  c.add("SubobjectsBlob", ColumnType::LargeBinary);
  c.add("HasAttachments", ColumnType::Boolean);
  c.add("DateReceived", ColumnType::DateTime);
  c.add("DateSent", ColumnType::DateTime);
  c.add("LcnReadUnread", ColumnType::LongLong);
  c.add("BodyType", ColumnType::Long);
  c.add("NativeBody", ColumnType::LargeBinary, true);
  c.add("Subject", ColumnType::LargeText, true);
  c.add("SenderDisplayName", ColumnType::LargeText, true);
  return c;
}

ColumnSet attachment_columns(uint64_t number) {
  ColumnSet c("Attachment_" + std::to_string(number), "MailboxPartitionNumber");
  c.add("AttachmentDocumentId", ColumnType::Long, false, false, 0, true);
  c.add("MessageDocumentId", ColumnType::Long, false, false, 0, true);
  c.add("AttachmentId", ColumnType::Binary, false, false, 8);
  c.add("Name", ColumnType::LargeText, true);
  c.add("Size", ColumnType::LongLong);
  c.add("Content", ColumnType::LargeBinary, true);
  return c;
}

struct MailboxTables {
  uint64_t number = 0;
  ColumnSet messages;
  ColumnSet attachments;
  TableWriter* writer = nullptr;
  TableWriter* attachment_writer = nullptr;
  int32_t next_document = 1;
  int32_t next_attachment = 1;
};

class Filler2013 : public StoreFiller {
 public:
  Filler2013(DatabaseWriter& db, bool is_public) : db_(db), is_public_(is_public) {}

  void begin(const Scenario& tree) override {
    if (is_public_) {
      add_mailbox(0, kPublicNumber, tree.public_root_id, tree.public_folders);
      return;
    }
    ColumnSet mailbox = mailbox_columns_2013();
    TableWriter& writer = db_.add_table(mailbox.def());
    for (const Mailbox& m : tree.mailboxes) {
      RecordCells row(mailbox);
      row.int32("MailboxNumber", static_cast<int32_t>(m.number));
      row.text_if("MailboxOwnerDisplayName", m.owner_name, Storage::Inline);
      row.text_if("DisplayName", m.display_name, Storage::Inline);
      Bytes guid(16, 0x13);
      for (int i = 0; i < 8; ++i) guid[8 + i] = static_cast<uint8_t>(m.number >> (8 * i));
      row.binary("MailboxGuid", guid);
      writer.add_record(row.cells());
    }
    for (size_t i = 0; i < tree.mailboxes.size(); ++i) {
      const Mailbox& m = tree.mailboxes[i];
      add_mailbox(i, m.number, m.root_folder_id, m.folders);
    }
  }

  void add_message(size_t mailbox, const Folder& folder, const Message& m) override {
    MailboxTables& t = mailboxes_.at(is_public_ ? 0 : mailbox);
    const int32_t document = t.next_document++;
    RecordCells row(t.messages);
    row.int32("MessageDocumentId", document);
    row.binary("FolderId", folder_id_2013(t.number, folder.id));
    row.binary("MessageId", identifier_bytes(m.id));
    row.text_if("MessageClass", m.message_class, Storage::Inline);
    // Readers render these as text of the stored bytes: keep them plain, in the record.
    if (const Bytes r = recipient_list_blob(m); !r.empty())
      row.binary("RecipientList", r, Storage::Inline);
    row.text_if("DisplayTo", display_to(m), Storage::Inline);
    if (const Bytes s = subobjects_blob(m); !s.empty())
      row.binary("SubobjectsBlob", s, Storage::Inline);
    row.boolean("HasAttachments", !m.attachments.empty());
    if (m.dates.delivery) row.filetime("DateReceived", *m.dates.delivery);
    if (m.dates.submit) row.filetime("DateSent", *m.dates.submit);
    row.int64("LcnReadUnread", t.next_document);
    row.text_if("Subject", subject_with_prefix(m));
    row.text_if("SenderDisplayName", m.sender_name);
    if (!m.body_html.empty()) {
      row.int32("BodyType", 2);
      row.binary("NativeBody", bytes_of(m.body_html));
    } else if (!m.body_rtf_text.empty()) {
      row.int32("BodyType", 3);
      row.binary("NativeBody", compressed_rtf_uncompressed_form(rtf_document(m.body_rtf_text)));
    } else if (!m.body_text.empty()) {
      row.int32("BodyType", 1);
      row.binary("NativeBody", utf16le(m.body_text));
    }
    t.writer->add_record(row.cells());
    for (size_t i = 0; i < m.attachments.size(); ++i) {
      const Attachment& a = m.attachments[i];
      RecordCells att(t.attachments);
      att.int32("AttachmentDocumentId", t.next_attachment++);
      att.int32("MessageDocumentId", document);
      att.binary("AttachmentId", identifier_bytes(m.attachment_ids[i]));
      att.text_if("Name", a.name);
      att.int64("Size", static_cast<int64_t>(a.content.size()));
      if (!a.content.empty()) att.binary("Content", a.content);
      t.attachment_writer->add_record(att.cells());
    }
  }

 private:
  void add_mailbox(size_t index, uint64_t number, uint64_t root_id,
                   const std::vector<Folder>& folders) {
    ColumnSet folder_set = folder_columns(number);
    TableWriter& fw = db_.add_table(folder_set.def());
    MailboxTables t{number, message_columns(number), attachment_columns(number)};
    auto [it, inserted] = mailboxes_.emplace(index, std::move(t));
    it->second.writer = &db_.add_table(it->second.messages.def());
    it->second.attachment_writer = &db_.add_table(it->second.attachments.def());
    RecordCells root(folder_set);
    root.binary("FolderId", folder_id_2013(number, root_id));
    root.binary("ParentFolderId", empty_folder_id_2013());
    root.int64("LcnCurrent", 1);
    fw.add_record(root.cells());
    for (const Folder& f : folders) write_folder(fw, folder_set, number, f, root_id);
  }

  void write_folder(TableWriter& writer, const ColumnSet& columns, uint64_t number, const Folder& f,
                    uint64_t parent) {
    RecordCells row(columns);
    row.binary("FolderId", folder_id_2013(number, f.id));
    row.binary("ParentFolderId", folder_id_2013(number, parent));
    row.text_if("DisplayName", f.name, Storage::Inline);
    row.text_if("ContainerClass", f.container_class, Storage::Inline);
    row.int64("LcnCurrent", static_cast<int64_t>(f.id & 0xFFFFFF));
    row.int64("MessageCount", static_cast<int64_t>(f.messages.size()));
    writer.add_record(row.cells());
    for (const Folder& child : f.children) write_folder(writer, columns, number, child, f.id);
  }

  DatabaseWriter& db_;
  bool is_public_;
  std::map<size_t, MailboxTables> mailboxes_;
};

}  // namespace

std::unique_ptr<StoreFiller> make_filler_2013(DatabaseWriter& db, bool is_public) {
  return std::make_unique<Filler2013>(db, is_public);
}

}  // namespace edbgen
