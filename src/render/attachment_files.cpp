#include "render/attachment_files.hpp"

#include <algorithm>
#include <map>
#include <optional>

#include "render/file_sinks.hpp"
#include "render/safe_file_name.hpp"
#include "scan/columns.hpp"

namespace quorvine::render {
namespace {

constexpr size_t entry_digits = 16;  // an 8-byte identifier

std::string padded(std::string_view identifier) {
  if (identifier.size() >= entry_digits) return std::string(identifier);
  return std::string(entry_digits - identifier.size(), '0') + std::string(identifier);
}

// One attachment to write: where it was found and what it is called.
struct Pending {
  size_t list_position;
  size_t order;  // index order among entries found at one position
  std::string name;
  size_t table_index;
  uint64_t record;
  std::optional<size_t> column;
};

void sort_pending(std::vector<Pending>& pending) {
  std::sort(pending.begin(), pending.end(), [](const Pending& a, const Pending& b) {
    return a.list_position != b.list_position ? a.list_position < b.list_position : a.order < b.order;
  });
}

AttachmentSet write_all(const scan::ScanSession& session, std::vector<Pending> pending,
                        const std::filesystem::path& folder, const ese::PassControl& control) {
  sort_pending(pending);
  AttachmentSet set;
  std::map<size_t, ese::Table> tables;
  uint64_t done = 0;
  ese::ProgressThrottle progress(control.progress);
  for (const Pending& p : pending) {
    if (!control.checkpoint()) {
      set.stopped = true;
      break;
    }
    set.attachment_names += p.name + ";";
    AttachmentFile file;
    file.name = p.name;
    try {
      if (!session.database) throw ese::EseError("The store is not open.");
      auto table = tables.find(p.table_index);
      if (table == tables.end()) table = tables.emplace(p.table_index, session.database->open_table(p.table_index)).first;
      if (!p.column) throw ese::EseError("The attachment table has no content column.");
      const size_t wanted[] = {*p.column};
      const ese::Record record = table->second.read_record(p.record, wanted);
      file = read_attachment_body(record, *p.column, p.name, folder);
    } catch (const ese::EseError& error) {
      file.error = error.what();
    }
    set.files.push_back(std::move(file));
    progress.update(++done, pending.size());
  }
  progress.finish(done, pending.size());
  // Names that are empty pieces leave ";;" behind.
  for (size_t at; (at = set.attachment_names.find(";;")) != std::string::npos;) set.attachment_names.erase(at, 1);
  return set;
}

}  // namespace

std::vector<size_t> identifier_positions(std::string_view list, std::string_view identifier) {
  std::vector<size_t> found;
  if (identifier.empty() || identifier.size() > entry_digits) return found;
  const std::string entry = padded(identifier);
  for (size_t at = list.find(entry); at != std::string_view::npos; at = list.find(entry, at + 1))
    if (at % 2 == 0) found.push_back(at);
  return found;
}

bool identifier_list_holds(std::string_view list, std::string_view identifier) {
  return !identifier_positions(list, identifier).empty();
}

AttachmentFile read_attachment_body(const ese::Record& record, size_t column, std::string_view name,
                                    const std::filesystem::path& folder) {
  AttachmentFile result;
  result.name = std::string(name);
  if (!record.has_value(column)) return result;
  textfile::OutputFile file;
  const auto path = create_unique_file(folder, name, file);
  try {
    FileSink sink(file);
    record.copy_to(column, sink);
    file.close();
    result.path = path;
    result.size = sink.bytes_written();
  } catch (...) {
    // Leave no partial file that looks complete.
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
    throw;
  }
  return result;
}

namespace {

std::vector<Pending> pending_2007(const scan::ScanSession& session, std::string_view attachment_ids) {
  std::vector<Pending> pending;
  std::optional<size_t> table_index;
  std::optional<size_t> content;
  if (session.attachment_table) {
    table_index = session.attachment_table->index();
    content = session.attachment_table->column_index(scan::columns::attachment_data);
  }
  if (!table_index) return {};
  // The substring search narrows the index to candidates; only whole entries count.
  size_t order = 0;
  for (const scan::AttachmentTable* entry : session.index.find_attachments(attachment_ids)) {
    const auto positions = identifier_positions(attachment_ids, entry->attachmentId);
    if (positions.empty()) continue;
    pending.push_back({positions.front(), order++, entry->fileName, *table_index,
                       static_cast<uint64_t>(entry->recordNumber), content});
  }
  sort_pending(pending);
  return pending;
}

}  // namespace

std::vector<AttachmentValue> find_attachments(const scan::ScanSession& session, std::string_view attachment_ids) {
  std::vector<AttachmentValue> found;
  for (Pending& p : pending_2007(session, attachment_ids))
    found.push_back({std::move(p.name), p.table_index, p.record, p.column});
  return found;
}

AttachmentSet save_attachments(const scan::ScanSession& session, std::string_view attachment_ids,
                                const std::filesystem::path& folder, const ese::PassControl& control) {
  return write_all(session, pending_2007(session, attachment_ids), folder, control);
}

AttachmentSet save_attachments_2010(const scan::ScanSession& session, std::string_view attachment_ids,
                                     const std::filesystem::path& folder, const ese::PassControl& control) {
  std::vector<Pending> pending;
  const auto& list = session.lists2010.cached_attachments;
  for (size_t i = 0; i < list.size(); ++i) {
    const auto positions = identifier_positions(attachment_ids, list[i].messageKey);
    if (positions.empty()) continue;
    pending.push_back({positions.front(), i, list[i].fileName, list[i].tableIndex,
                       static_cast<uint64_t>(list[i].recordNumber), list[i].dataColumn});
  }
  return write_all(session, std::move(pending), folder, control);
}

std::string attachment_paths(std::string_view names, const std::filesystem::path& folder) {
  std::string result;
  size_t start = 0;
  for (size_t end; (end = names.find(';', start)) != std::string_view::npos; start = end + 1) {
    const std::string_view name = names.substr(start, end - start);
    if (name.empty()) continue;
    const auto path = folder / safe_file_name(name);
    std::error_code error;
    if (std::filesystem::is_regular_file(path, error)) result += path.string() + ";";
  }
  return result;
}

std::string attachment_paths(const AttachmentSet& set) {
  std::string result;
  for (const AttachmentFile& file : set.files)
    if (!file.path.empty()) result += file.path.string() + ";";
  return result;
}

}  // namespace quorvine::render
