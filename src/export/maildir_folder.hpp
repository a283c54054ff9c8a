#pragma once
// One Maildir (cur/, new/, tmp/): each message is written in tmp/ and renamed into cur/
// with the info ":2," and the seen flag "S" when it was read. Unique names follow the
// Maildir convention "time.unique.host" with parts that come from the message and its place
// in the folder, so an export gives the same names however many run at once.
#include <filesystem>
#include <string>

#include "export/message_output.hpp"

namespace quorvine::exporting {

class MaildirFolder final : public OneFilePerMessage {
 public:
  explicit MaildirFolder(std::filesystem::path directory);
  LineEnds line_ends() const override { return LineEnds::Lf; }

  // The name of the `number`th message (from 1) in cur/.
  static std::string file_name(const MessageInfo& info, uint64_t number);

 private:
  Place place(const MessageInfo& info) override;

  std::filesystem::path directory_;
  uint64_t started_ = 0;
};

}  // namespace quorvine::exporting
