#include "export/message_output.hpp"

#include "export/eml_folder.hpp"
#include "export/maildir_folder.hpp"
#include "export/mbox_file.hpp"

namespace quorvine::exporting {
namespace {

class MboxOutput final : public MessageOutput {
 public:
  explicit MboxOutput(const std::filesystem::path& path) : file_(path) {}
  void begin_record(const MessageInfo& info) override { file_.begin_record(info.filetime); }
  void write(std::span<const uint8_t> chunk) override { file_.write(chunk); }
  void end_record() override { file_.end_record(); }
  void abandon_record() override { file_.abandon_record(); }
  void commit() override { file_.commit(); }
  uint64_t records() const override { return file_.records(); }
  uint64_t bytes() const override { return file_.bytes(); }
  LineEnds line_ends() const override { return LineEnds::Lf; }

 private:
  MboxFile file_;
};

}  // namespace

void OneFilePerMessage::begin_record(const MessageInfo& info) {
  Place where = place(info);
  current_ = std::make_unique<StagedFile>(std::move(where.temporary), std::move(where.final_path));
}

void OneFilePerMessage::write(std::span<const uint8_t> chunk) {
  if (!current_) throw MboxWriteError("a message was written outside a record");
  current_->write(chunk);
}

void OneFilePerMessage::end_record() {
  if (!current_) return;
  const uint64_t size = current_->size();
  current_->commit();
  current_.reset();
  ++records_;
  bytes_ += size;
}

void OneFilePerMessage::abandon_record() { current_.reset(); }

std::optional<OutputFormat> parse_output_format(std::string_view text) {
  if (text == "mbox") return OutputFormat::Mbox;
  if (text == "maildir") return OutputFormat::Maildir;
  if (text == "eml") return OutputFormat::Eml;
  return std::nullopt;
}

std::string_view to_string(OutputFormat format) {
  switch (format) {
    case OutputFormat::Mbox: return "mbox";
    case OutputFormat::Maildir: return "maildir";
    case OutputFormat::Eml: return "eml";
  }
  return "mbox";
}

std::unique_ptr<MessageOutput> open_message_output(OutputFormat format, const std::filesystem::path& mbox_path) {
  switch (format) {
    case OutputFormat::Maildir: return std::make_unique<MaildirFolder>(mbox_path);
    case OutputFormat::Eml: return std::make_unique<EmlFolder>(mbox_path);
    case OutputFormat::Mbox: break;
  }
  return std::make_unique<MboxOutput>(mbox_path);
}

}  // namespace quorvine::exporting
