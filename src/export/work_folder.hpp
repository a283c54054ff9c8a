#pragma once
// The export's private work folders: where a worker's fallback message files and long texts
// go while a message is written.
#include <filesystem>
#include <string>

namespace quorvine::exporting {

// A fresh folder "export-XXXXXX" in `parent` (the system temporary folder when empty),
// removed with everything in it when the object goes. Throws std::runtime_error when it
// cannot be created.
class WorkFolder {
 public:
  explicit WorkFolder(const std::filesystem::path& parent);
  ~WorkFolder();
  WorkFolder(const WorkFolder&) = delete;
  WorkFolder& operator=(const WorkFolder&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// Whether files can be written in a work folder under `parent`: creates one and writes and
// syncs a probe file in it, so that a full disk shows before any message depends on it.
// Returns "" or why not, in one sentence.
std::string work_folder_problem(const std::filesystem::path& parent);

}  // namespace quorvine::exporting
