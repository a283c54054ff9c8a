#include "discovery/file_finder.hpp"

#include <fnmatch.h>

#include <system_error>

namespace quorvine::discovery {

namespace fs = std::filesystem;

bool mask_matches(const std::string& mask, const std::string& name) {
  // "*.*" means every file on the original platform, also names without a dot.
  if (mask == "*.*" || mask == "*") return true;
  return ::fnmatch(mask.c_str(), name.c_str(), FNM_CASEFOLD | FNM_PERIOD) == 0;
}

fs::path FileFinder::file_path(size_t index) const { return index < found_.size() ? found_[index] : fs::path(); }

void FileFinder::notify(Event event) {
  if (callback_) callback_(*this, event);
}

size_t FileFinder::find(const SearchOptions& opts) {
  stop_ = false;
  find_in(opts, opts.base_folder);
  return found_.size();
}

void FileFinder::find_in(const SearchOptions& opts, const fs::path& folder) {
  std::error_code error;
  if (opts.subfolders) {
    fs::directory_iterator it(folder, fs::directory_options::skip_permission_denied, error);
    for (; !error && it != fs::directory_iterator() && !stop_; it.increment(error)) {
      std::error_code kind_error;
      if (it->is_directory(kind_error) && !it->is_symlink(kind_error)) find_in(opts, it->path());
    }
  }
  if (stop_) return;
  searching_ = folder / "";
  notify(Event::FolderStarted);

  error.clear();
  fs::directory_iterator it(folder, fs::directory_options::skip_permission_denied, error);
  for (; !error && it != fs::directory_iterator() && !stop_; it.increment(error)) {
    const fs::directory_entry& entry = *it;
    if (!mask_matches(opts.file_mask, entry.path().filename().string())) continue;
    std::error_code info_error;
    const bool directory = entry.is_directory(info_error);
    bool accepted = true;
    if (opts.flags & find_attributes) {
      const uint32_t attributes = entry.is_regular_file(info_error) ? attribute_archive : 0;
      accepted = (attributes & opts.attributes) != 0;
    }
    if (accepted && (opts.flags & find_size)) {
      const auto size = directory ? 0 : entry.file_size(info_error);
      const int64_t bytes = info_error ? 0 : static_cast<int64_t>(size);
      accepted = bytes >= opts.min_size && bytes <= opts.max_size;
    }
    if (accepted) found_.push_back(directory ? entry.path() / "" : entry.path());
    notify(accepted ? Event::Accepted : Event::Rejected);
  }
}

}  // namespace quorvine::discovery
