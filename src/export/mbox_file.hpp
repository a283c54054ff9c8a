#pragma once
// One MBOX file being written: records go to a temporary file beside the final name, which
// is renamed into place only when every record is written, so an interrupted or failed
// export never leaves a truncated file under a final name. Records are mboxrd: a "From - "
// separator with the asctime date (UTC), the message with LF line ends and every line
// matching ">*From " given one more ">", and an empty line.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "ese/database.hpp"

namespace quorvine::exporting {

// The MBOX file cannot be created, written or put in place.
class MboxWriteError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class MboxFile final : public ese::ByteSink {
 public:
  // Creates the temporary file in the final name's folder (which must exist). Throws
  // MboxWriteError.
  explicit MboxFile(std::filesystem::path final_path);
  ~MboxFile() override;  // an uncommitted file is removed
  MboxFile(const MboxFile&) = delete;
  MboxFile& operator=(const MboxFile&) = delete;

  // A record written as it is composed: begin_record, the message's bytes through write (in
  // pieces of any size), then end_record, or abandon_record to take back what was written
  // since begin_record. write throws MboxWriteError.
  void begin_record(std::optional<uint64_t> filetime);
  void write(std::span<const uint8_t> chunk) override;
  void end_record();
  void abandon_record();
  // Writes out, syncs and renames the file to its final name (replacing an earlier file).
  // Throws MboxWriteError.
  void commit();

  const std::filesystem::path& final_path() const { return final_; }
  uint64_t records() const { return records_; }
  uint64_t bytes() const { return offset_; }

 private:
  void put(char c);
  void quote_line_start(char c);
  void write_out();
  void discard_record();
  [[noreturn]] void fail(const std::string& what) const;

  std::filesystem::path final_;
  std::filesystem::path temporary_;
  int fd_ = -1;
  bool committed_ = false;
  std::string buffer_;
  uint64_t flushed_ = 0;       // bytes already in the file
  uint64_t offset_ = 0;        // bytes of complete records
  uint64_t records_ = 0;
  // Line-start state of the message being copied.
  std::string prefix_;         // ">" run and the part of "From " seen so far at a line start
  bool in_prefix_ = true;
  bool pending_cr_ = false;
  char last_ = '\n';
};

// Whether `name` is the temporary name an MboxFile writes under: "." + final name +
// ".partial-" + process id + "-" + number; gives that process id.
std::optional<long> partial_file_owner(const std::string& name);

// Removes, in `tree` and below, the temporary MBOX files that processes no longer running
// left behind (an earlier export that was killed). Symbolic links are neither followed nor
// removed. Returns the removed files.
std::vector<std::filesystem::path> remove_stale_partial_files(const std::filesystem::path& tree);

}  // namespace quorvine::exporting
