// Throughput and memory of the ESE writer alone: N messages of a few KB (compressed body,
// headers, recipients) with an attachment table and a folder table filled at the same
// time. Prints seconds, messages per second, peak RSS and file size.
// Usage: bench_ese_writer_throughput [MESSAGES=100000] [PAGE_SIZE=32768] [OUT=temp file]
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "edbgen/ese_writer.hpp"

using namespace edbgen;
using quorvine::ese::ColumnType;
namespace cf = quorvine::ese::column_flags;

namespace {

Bytes utf16(const std::string& s) {
  Bytes b;
  for (char c : s) {
    b.push_back(uint8_t(c));
    b.push_back(0);
  }
  return b;
}

Bytes le(uint64_t v, size_t n) {
  Bytes b(n);
  for (size_t i = 0; i < n; ++i) b[i] = uint8_t(v >> (8 * i));
  return b;
}

}  // namespace

int main(int argc, char** argv) {
  const uint32_t messages = argc > 1 ? uint32_t(std::strtoul(argv[1], nullptr, 10)) : 100000;
  WriterOptions options;
  options.page_size = argc > 2 ? uint32_t(std::strtoul(argv[2], nullptr, 10)) : 32768;
  options.format_revision = options.page_size >= 16384 ? 0x14 : 0x0c;
  const std::filesystem::path out =
      argc > 3 ? std::filesystem::path(argv[3])
               : std::filesystem::temp_directory_path() / ("ese-writer-bench-" + std::to_string(::getpid()) + ".edb");

  TableDef message{"Message",
                   {{1, "DocumentId", ColumnType::Long, cf::not_null, 0, 4},
                    {2, "FolderId", ColumnType::LongLong, 0, 0, 8},
                    {3, "DateReceived", ColumnType::Currency, 0, 0, 8},
                    {256, "Subject", ColumnType::Text, 0, 1200, 255},
                    {257, "SenderName", ColumnType::Text, 0, 1200, 255},
                    {258, "Body", ColumnType::LargeBinary, cf::compressed, 0, 0},
                    {259, "Headers", ColumnType::LargeText, cf::compressed, 1252, 0},
                    {260, "Recipients", ColumnType::Text, cf::multi_valued, 1200, 255}},
                   {}};
  TableDef attachment{"Attachment",
                      {{1, "Id", ColumnType::Long, 0, 0, 4},
                       {256, "Name", ColumnType::Text, 0, 1200, 255},
                       {257, "Content", ColumnType::LargeBinary, 0, 0, 0}},
                      {}};
  TableDef folder{"Folder", {{1, "Id", ColumnType::Long, 0, 0, 4}, {256, "Name", ColumnType::Text, 0, 1200, 255}}, {}};

  std::string body_text;
  for (int k = 0; k < 60; ++k) body_text += "Line " + std::to_string(k) + " of an ordinary message body.\r\n";

  const auto start = std::chrono::steady_clock::now();
  {
    DatabaseWriter writer(out, options);
    TableWriter& messages_table = writer.add_table(message);
    TableWriter& attachments = writer.add_table(attachment);
    TableWriter& folders = writer.add_table(folder);
    for (uint32_t i = 0; i < messages; ++i) {
      const std::string body = "Message " + std::to_string(i) + "\r\n" + body_text.substr(0, 1000 + i % 1500);
      const std::string headers = "Received: from mx" + std::to_string(i % 50) +
                                  ".example.com\r\nSubject: Hello " + std::to_string(i) + "\r\n";
      messages_table.add_record({{1, {le(i, 4)}},
                                 {2, {le(i % 100, 8)}},
                                 {3, {le(129440000000000000ull + i, 8)}},
                                 {256, {utf16("Subject " + std::to_string(i))}},
                                 {257, {utf16("Sender Name")}},
                                 {258, {Bytes(body.begin(), body.end())}},
                                 {259, {Bytes(headers.begin(), headers.end())}},
                                 {260, {utf16("Anna"), utf16("Bob")}}});
      if (i % 10 == 0) {
        Bytes content(8000 + i % 4000);
        for (size_t k = 0; k < content.size(); ++k) content[k] = uint8_t(k * 31 + i);
        attachments.add_record({{1, {le(i, 4)}}, {256, {utf16("file.bin")}}, {257, {content}}});
      }
      if (i % 1000 == 0) folders.add_record({{1, {le(i, 4)}}, {256, {utf16("Folder")}}});
    }
    writer.finish();
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const auto size = std::filesystem::file_size(out);
  std::printf("messages %u page_size %u seconds %.2f messages_per_second %.0f peak_rss_kb %ld file_mb %.1f\n",
              messages, options.page_size, seconds, messages / seconds, usage.ru_maxrss,
              double(size) / 1048576.0);
  if (argc <= 3) std::filesystem::remove(out);
  return 0;
}
