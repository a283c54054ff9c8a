#pragma once
// One folder of ".eml" files, a message each (CR LF), named by the message's date and its
// subject made safe ("2011-03-07 140509 Quarterly report.eml"); a name taken twice gets
// " (2)", " (3)", ... Each file is written under a temporary name and renamed when complete.
#include <filesystem>
#include <set>
#include <string>

#include "export/message_output.hpp"

namespace quorvine::exporting {

class EmlFolder final : public OneFilePerMessage {
 public:
  explicit EmlFolder(std::filesystem::path directory);
  LineEnds line_ends() const override { return LineEnds::CrLf; }

  // The file name of a message before a taken name gets its number.
  static std::string base_name(const MessageInfo& info);

 private:
  Place place(const MessageInfo& info) override;

  std::filesystem::path directory_;
  std::set<std::string> taken_;
};

}  // namespace quorvine::exporting
