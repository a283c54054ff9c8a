#include "cli/store_folders.hpp"

#include <fstream>
#include <set>
#include <system_error>

#include "export/output_names.hpp"

namespace quorvine::cli {
namespace {

namespace fs = std::filesystem;

const char* const mark_name = ".quorvine-store";

// The store as the mark names it: its full path.
std::string full_path(const std::string& store) {
  std::error_code error;
  const fs::path full = fs::weakly_canonical(store, error);
  return error ? fs::absolute(store, error).lexically_normal().string() : full.string();
}

std::string mark_of(const fs::path& folder) {
  std::ifstream in(folder / mark_name, std::ios::binary);
  std::string line;
  std::getline(in, line);
  return line;
}

// Free for `store`: not there yet, or marked as its own.
bool free_for(const fs::path& folder, const std::string& full) {
  std::error_code error;
  if (!fs::exists(folder, error) && !error) return true;
  return mark_of(folder) == full;
}

}  // namespace

std::vector<std::string> store_folder_names(const std::vector<std::string>& stores, const fs::path& out) {
  std::vector<std::string> names;
  std::set<std::string> taken;
  for (const std::string& store : stores) {
    const std::string base = exporting::safe_component(fs::path(store).filename().stem().string());
    const std::string full = full_path(store);
    std::string name = base;
    for (int n = 2; taken.count(name) || !free_for(out / name, full); ++n) name = base + "-" + std::to_string(n);
    taken.insert(name);
    names.push_back(std::move(name));
  }
  return names;
}

void mark_store_folder(const fs::path& folder, const std::string& store) {
  fs::create_directories(folder);
  const fs::path mark = folder / mark_name;
  std::ofstream out(mark, std::ios::binary | std::ios::trunc);
  out << full_path(store) << '\n';
  if (!out.flush())
    throw fs::filesystem_error("cannot write", mark, std::make_error_code(std::errc::io_error));
}

bool holds_store_folders(const fs::path& out) {
  std::error_code error;
  for (fs::directory_iterator it(out, error), end; !error && it != end; it.increment(error))
    if (it->is_directory(error) && fs::exists(it->path() / mark_name, error)) return true;
  return false;
}

}  // namespace quorvine::cli
