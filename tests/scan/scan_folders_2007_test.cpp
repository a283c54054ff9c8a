// The 2003/2007 path: mailboxes, "Folders" records, the sorted tree with parent placement.
#include <gtest/gtest.h>

#include "scan/folder_tree_2007.hpp"
#include "scan_fixture.hpp"
#include "support/test_support.hpp"

using namespace scan_test;
using quorvine::decode::Generation;
using quorvine::scan::ScanOutcome;

namespace {

constexpr uint64_t ipm_root = 0x100;
constexpr uint64_t non_ipm_root = 0x101;

// A mailbox numbered 1: its identifier text is one character long.
Store2007 one_mailbox(std::vector<FolderRow> folders) {
  Store2007 store;
  store.mailboxes = {{1, "Alice, Smith", "Alice"}};
  store.folders = {{ipm_root, 0, 1, "Top of Information Store", "/", "IPF.Note"},
                   {non_ipm_root, 0, 1, "", "/NON_IPM_SUBTREE", ""}};
  for (FolderRow& row : folders) store.folders.push_back(std::move(row));
  return store;
}

std::string scan_tree(const Store2007& store, ScanRun& run) {
  quorvine::testing::ScratchDir dir;
  write_store_2007(dir / "s.edb", store);
  run_scan(run, dir / "s.edb", Generation::V2007);
  EXPECT_EQ(run.session.outcome, ScanOutcome::Completed) << run.session.failure_reason;
  return tree_lines(run.session.tree);
}

}  // namespace

TEST(ScanFolders2007, SiblingWithDashAndCaseTwinDoNotCaptureSubfolders) {
  ScanRun run;
  const std::string tree = scan_tree(
      one_mailbox({
          {0x10, ipm_root, 1, "Inbox", "/Inbox", "IPF.Note"},
          {0x11, 0x10, 1, "Sub", "/Inbox/Sub", "IPF.Note"},
          {0x12, ipm_root, 1, "Inbox-Old", "/Inbox-Old", "IPF.Note"},
          {0x13, ipm_root, 1, "inbox", "/inbox", "IPF.Note"},
          {0x14, 0x13, 1, "Twin child", "/inbox/Twin child", "IPF.Note"},
      }),
      run);
  // Mailbox number 1 keeps its folders; "," in the mailbox name becomes "_".
  EXPECT_EQ(tree,
            "Alice_ Smith\n"
            "  Inbox [IPF.Note]\n"
            "    Sub [IPF.Note]\n"
            "  inbox [IPF.Note]\n"
            "    Twin child [IPF.Note]\n"
            "  Inbox-Old [IPF.Note]\n");
  ASSERT_EQ(run.session.folders_2007.size(), 5u);
  for (const auto& folder : run.session.folders_2007) {
    if (folder.folderName == "Sub") {
      EXPECT_EQ(folder.folderPath, "\\Inbox\\Sub");
      EXPECT_EQ(folder.depth, 2);
      EXPECT_EQ(folder.folderId, "11");
      EXPECT_EQ(folder.mailboxId, "1");
      EXPECT_EQ(folder.mailboxName, "Alice_ Smith");
    }
  }
}

TEST(ScanFolders2007, UnderscoreSortsBeforeLettersAndClassesMap) {
  ScanRun run;
  const std::string tree = scan_tree(
      one_mailbox({
          {0x20, ipm_root, 1, "Calendar", "/Calendar", "IPF.Appointment"},
          {0x21, ipm_root, 1, "_Archive", "/_Archive", "IPF.Note"},
          {0x22, ipm_root, 1, "Contacts", "/Contacts", "IPF.Contact"},
          {0x23, ipm_root, 1, "Notes", "/Notes", "IPF.StickyNote"},
          {0x24, ipm_root, 1, "Tasks", "/Tasks", "IPM.TaskRequest"},
          {0x25, ipm_root, 1, "Journal", "/Journal", "IPF.Journal"},
          {0x26, ipm_root, 1, "Odd", "/Odd", "Custom.Thing"},
      }),
      run);
  EXPECT_EQ(tree,
            "Alice_ Smith\n"
            "  _Archive [IPF.Note]\n"
            "  Calendar [calendar]\n"
            "  Contacts [contact]\n"
            "  Journal [journal]\n"
            "  Notes [note]\n"
            "  Odd [Folder]\n"
            "  Tasks [task]\n");
}

TEST(ScanFolders2007, PathCleaningUnknownLabelsFinderAndRoots) {
  ScanRun run;
  const std::string tree = scan_tree(
      one_mailbox({
          {0x30, ipm_root, 1, "A-B", "/A%2BB", "IPF.Note"},
          {0x31, ipm_root, 1, "C#", "/C%23", "IPF.Note"},
          {0x32, ipm_root, 1, "D E", "/D+E", "IPF.Note"},
          {0x33, ipm_root, 1, "", "/Nameless", "IPF.Note"},
          {0x34, ipm_root, 1, "No path", "", "IPF.Note"},
          {0x35, non_ipm_root, 1, "Finder", "/NON_IPM_SUBTREE/Finder", "IPF.Note"},
          {0x36, non_ipm_root, 1, "Views", "/NON_IPM_SUBTREE/Views", ""},
          {0x37, ipm_root, 1, "Root slash", "/NON_IPM_SUBTREE/", ""},
      }),
      run);
  // Records 0 and 1 are the roots; "Unknown" labels carry the record index.
  EXPECT_EQ(tree,
            "Alice_ Smith\n"
            "  A-B [IPF.Note]\n"
            "  C# [IPF.Note]\n"
            "  D E [IPF.Note]\n"
            "  Unknown5 [IPF.Note]\n"
            "  No path [IPF.Note]\n"
            "  Views [Folder]\n");
  bool saw_plus = false, saw_unknown_path = false;
  for (const auto& folder : run.session.folder_records) {
    EXPECT_EQ(folder.sortKey.find("/Finder"), std::string::npos);
    if (folder.folderId == "30") { EXPECT_EQ(folder.urlPath, "/A-B"); }
    if (folder.folderId == "31") { EXPECT_EQ(folder.urlPath, "/C#"); }
    if (folder.folderId == "32") {
      saw_plus = true;
      EXPECT_EQ(folder.urlPath, "/D+E");
      EXPECT_EQ(folder.sortKey, "/D E+IPF.Note+4+32");
    }
    if (folder.folderId == "34") {
      saw_unknown_path = true;
      EXPECT_EQ(folder.urlPath, "/Unknown6");
    }
    if (folder.folderId == "100") { EXPECT_EQ(folder.sortKey, ""); }
  }
  EXPECT_TRUE(saw_plus);
  EXPECT_TRUE(saw_unknown_path);
}

TEST(ScanFolders2007, DepthLimitLeavesDeepFoldersOutWithAWarning) {
  std::vector<FolderRow> chain;
  std::string path;
  for (uint64_t level = 1; level <= 28; ++level) {
    path += "/L" + std::to_string(level);
    chain.push_back({0x1000 + level, level == 1 ? ipm_root : 0x1000 + level - 1, 1,
                     "L" + std::to_string(level), path, "IPF.Note"});
  }
  // Parent unknown and 27 levels deep by its path.
  chain.push_back({0x2000, 0x9999, 1, "Orphan", path.substr(0, path.rfind('/')), "IPF.Note"});
  ScanRun run;
  scan_tree(one_mailbox(chain), run);
  int deepest = 0;
  for (const auto& folder : run.session.folders_2007) {
    deepest = std::max(deepest, folder.depth);
    EXPECT_NE(folder.folderName, "L27");
    EXPECT_NE(folder.folderName, "Orphan");
  }
  EXPECT_EQ(deepest, 26);
  EXPECT_EQ(run.session.folders_2007.size(), 26u);
  ASSERT_FALSE(run.warnings.empty());
  EXPECT_NE(run.warnings.back().find("26 levels"), std::string::npos);
}

TEST(ScanFolders2007, OrphanFallsBackToTheLatestFolderOfTheLevelAbove) {
  ScanRun run;
  const std::string tree = scan_tree(
      one_mailbox({
          {0x40, ipm_root, 1, "Inbox", "/Inbox", "IPF.Note"},
          {0x41, 0x7777, 1, "Lost", "/Inbox/Lost", "IPF.Note"},
      }),
      run);
  EXPECT_EQ(tree, "Alice_ Smith\n  Inbox [IPF.Note]\n    Lost [IPF.Note]\n");
}

TEST(ScanFolders2007, MissingMiddleLevelNeverBorrowsAnEarlierBranch) {
  // "/Sent/X" does not exist: "Y" belongs under "Sent", not under the "Inbox/A" placed before.
  ScanRun run;
  const std::string tree = scan_tree(
      one_mailbox({
          {0x40, ipm_root, 1, "Inbox", "/Inbox", "IPF.Note"},
          {0x41, 0x40, 1, "A", "/Inbox/A", "IPF.Note"},
          {0x42, ipm_root, 1, "Sent", "/Sent", "IPF.Note"},
          {0x43, 0x7777, 1, "Y", "/Sent/X/Y", "IPF.Note"},
      }),
      run);
  EXPECT_EQ(tree,
            "Alice_ Smith\n"
            "  Inbox [IPF.Note]\n"
            "    A [IPF.Note]\n"
            "  Sent [IPF.Note]\n"
            "    Y [IPF.Note]\n");
  ASSERT_EQ(run.session.folders_2007.size(), 4u);
  EXPECT_EQ(run.session.folders_2007.back().folderPath, "\\Sent\\Y");
  EXPECT_EQ(run.session.folders_2007.back().depth, 2);
}

TEST(ScanFolders2007, FoldersGoOnlyToTheirOwnMailbox) {
  Store2007 store;
  store.mailboxes = {{0x1, "One", "o1"}, {0x2A3F, "Two", "o2"}, {0x3, "Three", "o3"}};
  store.folders = {{0x50, 0, 0x2A3F, "Inbox", "/Inbox", "IPF.Note"},
                   {0x51, 0, 0x1, "Sent", "/Sent", "IPF.Note"},
                   {0x52, 0, 0x99, "Stray", "/Stray", "IPF.Note"}};
  ScanRun run;
  EXPECT_EQ(scan_tree(store, run), "One\n  Sent [IPF.Note]\nTwo\n  Inbox [IPF.Note]\nThree\n");
  ASSERT_EQ(run.session.mailboxes.size(), 3u);
  EXPECT_EQ(run.session.mailboxes[1].mailboxId, "2a3f");
  EXPECT_EQ(run.session.mailboxes[1].mailboxId2010, "");
  EXPECT_EQ(run.session.mailboxes[1].ownerName, "o2");
  EXPECT_EQ(run.session.store_kind, "private");
}

TEST(ScanFolders2007, PublicStoreHangsEveryFolderUnderExPublicFolder) {
  Store2007 store;
  store.has_mailbox_table = false;
  store.folders = {{0x60, 0, 0x5, "Public Folder", "/Public Folder", "IPF.Note"},
                   {0x61, 0x60, 0x9, "Sub", "/Public Folder/Sub", "IPF.Note"}};
  ScanRun run;
  EXPECT_EQ(scan_tree(store, run),
            "ExPublic Folder\n  Public Folder [IPF.Note]\n    Sub [IPF.Note]\n");
  EXPECT_EQ(run.session.store_kind, "public");
  ASSERT_EQ(run.session.mailboxes.size(), 1u);
  EXPECT_EQ(run.session.mailboxes[0].mailboxId, "public_folder");
  EXPECT_EQ(run.session.mailboxes[0].ownerName, "ExPublic Folder");
  for (const auto& folder : run.session.folders_2007)
    EXPECT_EQ(folder.mailboxId, "public_folder");
}

TEST(ScanFolders2007, SortKeyOrder) {
  using quorvine::scan::sort_key_less;
  using quorvine::scan::sortable_key;
  // "+" < "-" < "/" keeps a folder before its dash sibling before its subfolders.
  EXPECT_TRUE(sort_key_less("/a+Folder", "/a-b+Folder"));
  EXPECT_TRUE(sort_key_less("/a-b+Folder", "/a/c+Folder"));
  EXPECT_TRUE(sort_key_less("/_x", "/a"));
  EXPECT_FALSE(sort_key_less("/ABC", "/abc"));
  EXPECT_FALSE(sort_key_less("/abc", "/ABC"));
  EXPECT_TRUE(sort_key_less("/ab", "/abc"));
  EXPECT_EQ(sortable_key("/a%b.c,d?(e)+x"), "/a_b_cde+x");
}
