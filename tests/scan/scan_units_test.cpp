// Small pieces of the scan: folder keys, folder classes, exchange picks, tree paths.
#include <gtest/gtest.h>

#include "scan/generation_from_tables.hpp"
#include "scan/folder_class.hpp"
#include "scan/folder_key.hpp"
#include "scan/mailbox_tree.hpp"
#include "scan/partial_record.hpp"

using namespace quorvine::scan;
using quorvine::decode::Generation;

TEST(FolderKey, FillsToTheIdentifierWidth) {
  EXPECT_EQ(folder_key("1-2D5E3"), "10000000002D5E3");
  EXPECT_EQ(folder_key("1-2D5E3").size(), 15u);
  EXPECT_EQ(folder_key("12-AB"), "12000000000000AB");
  EXPECT_EQ(folder_key("123-AB").size(), 17u);
  // Already long enough: no zeros.
  EXPECT_EQ(folder_key("1-1234567890ABCDEF"), "11234567890ABCDEF");
  EXPECT_EQ(folder_key("1234-AB"), "");
  EXPECT_EQ(folder_key("Folders-1-2"), "");
  EXPECT_EQ(folder_key("Msg"), "");
  EXPECT_EQ(folder_key("-AB"), "");
}

TEST(FolderClass, Mapping) {
  EXPECT_EQ(map_folder_class(""), "Folder");
  EXPECT_EQ(map_folder_class("ipf.note"), "Folder");
  EXPECT_EQ(map_folder_class("IPM.Appointment"), "calendar");
  EXPECT_EQ(map_folder_class("IPF.TaskRequest"), "task");
  EXPECT_EQ(map_folder_class("IPF.Note"), "IPF.Note");
  EXPECT_EQ(map_folder_class("IPF.Appointment.Birthday"), "IPF.Appointment.Birthday");
}

TEST(ExchangePick, FromTableNames) {
  EXPECT_EQ(generation_from_tables({"MSysObjects", "Mailbox", "Folders", "Msg"}),
            Generation::V2007);
  EXPECT_EQ(generation_from_tables({"MSysObjects", "Msg"}), Generation::V2007);
  EXPECT_EQ(generation_from_tables({"Mailbox", "Folders-1-2", "MsgHeader-1-2"}),
            Generation::V2010);
  EXPECT_EQ(generation_from_tables({"Mailbox", "Folder_101", "Message_101"}),
            Generation::V2013);
  // None of the Exchange tables: nothing, whatever looks alike.
  EXPECT_FALSE(generation_from_tables({"MSysObjects", "Mailboxes", "Msgs", "Body-1", "FoldersX"}));
  EXPECT_FALSE(generation_from_tables({}));
}

TEST(MailboxTreePaths, EscapedSlashesAndLookup) {
  MailboxTree tree("db.edb");
  const TreeItem box = tree.add(root_tree_item, "Box", "");
  const TreeItem a = tree.add(box, "a/b", "Folder");
  const TreeItem c = tree.add(a, "c", "Folder");
  const TreeItem twin = tree.add(box, "a/b", "Folder");
  EXPECT_EQ(tree.path_of(c), "Box/a\\/b/c");
  EXPECT_EQ(tree.find_path("Box/a\\/b"), a);  // the first of two equal paths
  EXPECT_NE(tree.find_path("Box/a\\/b"), twin);
  EXPECT_FALSE(tree.find_path("Box/a/b").has_value());
  EXPECT_EQ(tree.all_paths(), (std::vector<std::string>{"Box", "Box/a\\/b", "Box/a\\/b/c",
                                                        "Box/a\\/b"}));
  // An unknown parent falls back to the root rather than indexing out of range.
  const TreeItem stray = tree.add(999, "stray", "");
  EXPECT_EQ(tree.node(stray).parent, root_tree_item);
}

TEST(WantedColumnsList, MaximumFollowsTheList) {
  WantedColumns wanted;
  wanted.recompute();
  EXPECT_EQ(wanted.large, 0u);
  wanted.add(size_t{4});
  wanted.add(std::optional<size_t>{});
  wanted.add(size_t{9});
  wanted.add(size_t{4});
  wanted.recompute();
  EXPECT_EQ(wanted.large, 9u);
  EXPECT_EQ(wanted.columns.size(), 3u);
}
