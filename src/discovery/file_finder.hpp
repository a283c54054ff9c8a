#pragma once
// The recursive search for database files: walks a folder (and optionally its subfolders,
// depth first, before the folder's own files), matches a mask and an optional size window,
// and reports every step to a callback so a front end can show live status and stop it.
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace quorvine::discovery {

class FileFinder {
 public:
  // Option flags.
  static constexpr uint32_t find_size = 1;
  static constexpr uint32_t find_attributes = 16;
  // The archive attribute; on this platform every regular file carries it.
  static constexpr uint32_t attribute_archive = 32;

  struct SearchOptions {
    std::filesystem::path base_folder;
    std::string file_mask = "*.*";  // shell wildcard, matched ignoring case
    bool subfolders = false;
    uint32_t flags = 0;
    int64_t min_size = 0;  // bytes, inclusive
    int64_t max_size = 0;  // bytes, inclusive
    uint32_t attributes = 0;
  };

  // Callback codes.
  enum class Event { Accepted = 0, Rejected = 1, FolderStarted = 2 };
  using Callback = std::function<void(FileFinder&, Event)>;

  // Searches as `opts` say; returns the number of paths found so far (the list is kept
  // across calls until clear). Folders that cannot be read are passed over; links to
  // folders are not followed, so a link loop cannot make the search endless.
  size_t find(const SearchOptions& opts);
  // Ends the running search at its next directory entry; safe from any thread.
  void stop_search() { stop_ = true; }
  bool stopped() const { return stop_; }

  void clear() { found_.clear(); }
  size_t file_count() const { return found_.size(); }
  // Empty for an index out of range.
  std::filesystem::path file_path(size_t index) const;
  const std::filesystem::path& searching_folder() const { return searching_; }
  void set_callback(Callback callback) { callback_ = std::move(callback); }

 private:
  void find_in(const SearchOptions& opts, const std::filesystem::path& folder);
  void notify(Event event);

  std::vector<std::filesystem::path> found_;
  std::atomic<bool> stop_ = false;
  Callback callback_;
  std::filesystem::path searching_;
};

// Whether `name` matches the shell wildcard `mask`, ignoring case as the original platform's
// file system does ("*.edb" finds "Mail.EDB").
bool mask_matches(const std::string& mask, const std::string& name);

}  // namespace quorvine::discovery
