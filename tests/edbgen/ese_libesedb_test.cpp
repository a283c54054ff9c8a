// libesedb's tools (esedbinfo, esedbexport) read what the writer produces, at every page
// size: the catalog listing matches the definitions and every record is exported.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "edbgen/ese_test_tables.hpp"
#include "support/test_support.hpp"

namespace {

using namespace edbgen;
using namespace edbgen::testing;
using quorvine::testing::run_command;
using quorvine::testing::ScratchDir;

bool have_tool(const char* name) {
  return run_command(std::string("command -v ") + name + " >/dev/null 2>&1").status == 0;
}

struct ListedTable {
  std::string name;
  std::vector<std::pair<uint32_t, std::string>> columns;  // identifier, name
};

// Parses esedbinfo's "Table: n<TAB>name (objid)" blocks and their column lines.
std::vector<ListedTable> parse_esedbinfo(const std::string& out) {
  std::vector<ListedTable> tables;
  std::istringstream in(out);
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("Table: ", 0) == 0) {
      std::string rest = line.substr(line.find_first_not_of("0123456789\t ", 7));
      tables.push_back({rest.substr(0, rest.rfind(" (")), {}});
      continue;
    }
    if (tables.empty() || line.size() < 2 || line[0] != '\t' || !std::isdigit(uint8_t(line[1]))) continue;
    std::vector<std::string> f;
    std::stringstream ls(line.substr(1));
    std::string part;
    while (std::getline(ls, part, '\t')) f.push_back(part);
    if (f.size() >= 4) tables.back().columns.push_back({uint32_t(std::stoul(f[1])), f[2]});
  }
  return tables;
}

constexpr Variant kLibesedbSafe{false, false};

class EseLibesedb : public ::testing::TestWithParam<Format> {};

TEST_P(EseLibesedb, InfoAndExportReadEveryTable) {
  if (!have_tool("esedbinfo") || !have_tool("esedbexport")) GTEST_SKIP() << "libesedb-utils missing";
  const uint32_t ps = GetParam().page_size;
  ScratchDir dir;
  const auto path = dir / "lib.edb";
  const uint32_t records = 60;
  // Enough folder rows for branch pages below the root on 4 KiB pages (libesedb is slow
  // to count the rows of a wide root, so larger pages get fewer).
  const uint32_t folder_rows = GetParam().page_size == 4096 ? 30000 : 2000;
  auto folder_name = [](uint32_t i) { return "Folder " + std::to_string(i) + std::string(50, '-'); };
  TableDef extra;
  extra.name = "Folders";
  extra.columns = {{1, "FolderId", ColumnType::LongLong, 0, 0, 8},
                   {128, "DisplayName", ColumnType::Text, 0, 1252, 255}};
  {
    DatabaseWriter w(path, writer_options(GetParam()));
    TableWriter& all = w.add_table(all_types_table("Messages", kLibesedbSafe));
    TableWriter& folders = w.add_table(extra);
    for (uint32_t i = 0; i < folder_rows; ++i) {
      if (i < records) all.add_record(all_types_cells(i, kLibesedbSafe));
      folders.add_record({{1, {le_bytes(i, 8)}}, {128, {ascii(folder_name(i))}}});
    }
    w.finish();
  }
  auto info = run_command("esedbinfo '" + path.string() + "' 2>&1");
  ASSERT_EQ(info.status, 0) << info.out;
  auto tables = parse_esedbinfo(info.out);
  ASSERT_EQ(tables.size(), 4u) << info.out;
  EXPECT_EQ(tables[0].name, "MSysObjects");
  EXPECT_EQ(tables[1].name, "MSysObjectsShadow");
  for (size_t t = 0; t < 2; ++t) {
    const TableDef def = t == 0 ? all_types_table("Messages", kLibesedbSafe) : extra;
    const ListedTable& listed = tables[2 + t];
    EXPECT_EQ(listed.name, def.name);
    ASSERT_EQ(listed.columns.size(), def.columns.size());
    for (size_t c = 0; c < def.columns.size(); ++c) {
      EXPECT_EQ(listed.columns[c].first, def.columns[c].id);
      EXPECT_EQ(listed.columns[c].second, def.columns[c].name);
    }
  }

  const auto target = dir / "x";
  auto exported = run_command("esedbexport -t '" + target.string() + "' '" + path.string() + "' 2>&1");
  ASSERT_EQ(exported.status, 0) << exported.out;
  std::ifstream folders(dir / "x.export" / "Folders.3");
  ASSERT_TRUE(folders) << exported.out;
  std::string line;
  std::getline(folders, line);
  EXPECT_EQ(line, "FolderId\tDisplayName");
  uint32_t row = 0;
  while (std::getline(folders, line)) {
    ASSERT_EQ(line, std::to_string(row) + "\t" + folder_name(row));
    ++row;
  }
  EXPECT_EQ(row, folder_rows);
  std::ifstream messages(dir / "x.export" / "Messages.2");
  size_t lines = 0;
  while (std::getline(messages, line)) ++lines;
  EXPECT_EQ(lines, records + 1);
}

INSTANTIATE_TEST_SUITE_P(Formats, EseLibesedb, ::testing::ValuesIn(exchange_formats()),
                         [](const auto& info) { return format_name(info.param); });

}  // namespace
