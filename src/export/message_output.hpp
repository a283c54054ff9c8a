#pragma once
// Where a folder's messages go: one MBOX file, one Maildir, or one folder of ".eml" files.
// The folder export writes every message through this one interface; the output's name is
// the path an MBOX file of the folder would have.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "ese/database.hpp"
#include "export/mime_composer.hpp"
#include "export/staged_file.hpp"

namespace quorvine::exporting {

enum class OutputFormat { Mbox, Maildir, Eml };
std::optional<OutputFormat> parse_output_format(std::string_view text);  // "mbox", "maildir", "eml"
std::string_view to_string(OutputFormat format);

// What names and flags a message's file.
struct MessageInfo {
  std::optional<uint64_t> filetime;  // the stored time
  std::string subject;
  bool read = false;  // the store marks it read
};

class MessageOutput : public ese::ByteSink {
 public:
  // A message as it is composed: begin_record, its bytes through write, then end_record,
  // or abandon_record to take it back. Failures throw MboxWriteError.
  virtual void begin_record(const MessageInfo& info) = 0;
  virtual void end_record() = 0;
  virtual void abandon_record() = 0;
  // Puts the output in place once every message is written.
  virtual void commit() = 0;
  virtual uint64_t records() const = 0;
  virtual uint64_t bytes() const = 0;
  // The line ends the composer writes for this output.
  virtual LineEnds line_ends() const = 0;
};

// Outputs that write each message to a file of its own, staged under a temporary name.
class OneFilePerMessage : public MessageOutput {
 public:
  void begin_record(const MessageInfo& info) override;
  void write(std::span<const uint8_t> chunk) override;
  void end_record() override;
  void abandon_record() override;
  void commit() override {}
  uint64_t records() const override { return records_; }
  uint64_t bytes() const override { return bytes_; }

 protected:
  struct Place {
    std::filesystem::path temporary, final_path;
  };
  // Where the next message goes.
  virtual Place place(const MessageInfo& info) = 0;

 private:
  std::unique_ptr<StagedFile> current_;
  uint64_t records_ = 0, bytes_ = 0;
};

// The output for a folder whose MBOX file would be `mbox_path` (its folder must exist).
std::unique_ptr<MessageOutput> open_message_output(OutputFormat format, const std::filesystem::path& mbox_path);

}  // namespace quorvine::exporting
