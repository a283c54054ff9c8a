// "quorvine find": searches a folder for database files (*.edb) and prints one path a line.
#include <cstdio>
#include <string>

#include "cli/arguments.hpp"
#include "cli/command.hpp"
#include "discovery/file_finder.hpp"

namespace quorvine::cli {
namespace {

int64_t kilobytes(const Arguments& args, const std::string& name) {
  const std::string text = *args.option(name);
  size_t used = 0;
  long long value = -1;
  try {
    value = std::stoll(text, &used);
  } catch (const std::exception&) {
    used = 0;
  }
  if (text.empty() || used != text.size() || value < 0 || text.front() == '-' || value > (INT64_MAX >> 10))
    throw UsageError(name + " must be a whole number of kilobytes, not \"" + text + "\"");
  return value * 1024;
}

int run_find(const Arguments& args) {
  if (args.option("--min-kb").has_value() != args.option("--max-kb").has_value())
    throw UsageError("--min-kb and --max-kb go together");
  discovery::FileFinder::SearchOptions opts;
  opts.base_folder = args.positionals[0];
  opts.file_mask = "*.edb";
  opts.subfolders = args.flag("--recursive");
  opts.flags = discovery::FileFinder::find_attributes;
  opts.attributes = discovery::FileFinder::attribute_archive;
  if (args.option("--min-kb")) {
    opts.flags |= discovery::FileFinder::find_size;
    opts.min_size = kilobytes(args, "--min-kb");
    opts.max_size = kilobytes(args, "--max-kb");
  }
  std::error_code error;
  if (!std::filesystem::is_directory(opts.base_folder, error)) {
    std::fprintf(stderr, "quorvine find: %s is not a folder that can be read\n", opts.base_folder.c_str());
    return exit_usage;
  }
  const char separator = args.flag("-0") ? '\0' : '\n';
  discovery::FileFinder finder;
  finder.set_callback([separator](discovery::FileFinder& f, discovery::FileFinder::Event event) {
    if (event != discovery::FileFinder::Event::Accepted) return;
    const std::string path = f.file_path(f.file_count() - 1).string();
    std::fwrite(path.data(), 1, path.size(), stdout);
    std::fputc(separator, stdout);
  });
  finder.find(opts);
  return exit_ok;
}

}  // namespace

Command find_command() {
  return Command{"find",
                 "search a folder for Exchange database files (*.edb)",
                 "Prints one path a line, *.edb in any letter case; links to folders are not followed.",
                 {{{"DIR", "the folder to search"}},
                  {{"--recursive", "", "search the subfolders too, before the folder's own files"},
                   {"--min-kb", "N", "keep files of at least N kilobytes (with --max-kb)"},
                   {"--max-kb", "N", "keep files of at most N kilobytes (with --min-kb)"},
                   {"-0", "", "end each path with a NUL instead of a line end, for xargs -0"}}},
                 run_find};
}

}  // namespace quorvine::cli
