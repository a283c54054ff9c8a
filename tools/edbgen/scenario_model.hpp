#pragma once
// What a store holds, independent of the Exchange generation: mailboxes, nested folders
// and messages. Scenario files and the --scale generator both produce this.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "edbgen/exchange_text.hpp"

namespace edbgen {

struct Recipient {
  std::string name;
  std::string address;
};

struct Attachment {
  std::string name;
  Bytes content;          // a scenario's "size" is filled with deterministic bytes
  std::string mime_type;  // the stored MIME tag ("S370e"), "" for none
};

// A value of an extra message column, by column name ("S3a06", "T8198", "MS80db", ...).
struct FieldValue {
  std::vector<std::string> texts;    // S, MS: text; N, MN: bytes as written; L, B: decimal/bool
  std::optional<uint64_t> filetime;  // T columns
};

// Dates of the three time columns; a column without a value is left out of the record.
struct MessageDates {
  std::optional<uint64_t> submit;    // client submit time
  std::optional<uint64_t> delivery;  // delivery (received) time
  std::optional<uint64_t> creation;
};

struct Message {
  std::string message_class = "IPM.Note";
  std::string subject;
  std::string subject_prefix;
  std::string sender_name;
  std::string sender_address;
  std::vector<Recipient> to, cc, bcc;
  MessageDates dates;
  std::vector<std::string> extra_headers;  // transport header lines added after ours
  std::string body_text;                   // plain-text body ("" = none)
  std::string body_html;                   // HTML body ("" = none)
  std::string body_rtf_text;               // text of a compressed-RTF body ("" = none)
  std::vector<Attachment> attachments;
  std::map<std::string, FieldValue> fields;
  // 2003/2007: the "Msg" record carries no time and no sender columns, only the contents
  // record does, as in stores Exchange wrote.
  bool sparse_msg_record = false;

  // Assigned by assign_identifiers().
  uint64_t id = 0;
  std::vector<uint64_t> attachment_ids;
};

struct Folder {
  std::string name;
  std::string container_class;  // "IPF.Note", "IPF.Appointment", ... ("" = none)
  std::vector<Message> messages;
  std::vector<Folder> children;

  uint64_t id = 0;  // assigned
};

struct Mailbox {
  uint64_t number = 0;
  std::string display_name;
  std::string owner_name;
  std::vector<Folder> folders;

  uint64_t root_folder_id = 0;  // assigned: the mailbox's root (parent of its top folders)
};

struct Scenario {
  std::vector<Mailbox> mailboxes;    // private store
  std::vector<Folder> public_folders;  // public store

  uint64_t public_root_id = 0;  // assigned: parent of the top public folders
};

// Deterministic filler for an attachment given only by size.
Bytes filler_content(const std::string& name, size_t size);
// Deterministic bytes that do not compress, as most large attachments (archives, pictures)
// are.
Bytes random_content(const std::string& name, size_t size);

// Identifiers are 8 bytes: replica number 1 (little-endian 01 00) and a 6-byte big-endian
// counter, the form Exchange gives folder and message identifiers.
uint64_t exchange_identifier(uint64_t counter);

// Gives every folder, message and attachment a distinct identifier, in tree order.
// Returns the next free counter.
uint64_t assign_identifiers(Scenario& scenario, uint64_t first_counter = 0x10001);

}  // namespace edbgen
