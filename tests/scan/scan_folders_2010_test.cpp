// The 2010 and 2013 paths: one folder table per mailbox, placement by parent identifier,
// and damaged hierarchies (loops, chains that never reach the mailbox).
#include <gtest/gtest.h>

#include "scan/folder_tables_2010.hpp"
#include "scan_fixture.hpp"
#include "support/test_support.hpp"

using namespace scan_test;
using quorvine::decode::Generation;

namespace {

template <typename Store, typename Writer>
std::string scan_tree(const Store& store, Writer write, Generation version, ScanRun& run) {
  quorvine::testing::ScratchDir dir;
  write(dir / "s.edb", store);
  run_scan(run, dir / "s.edb", version);
  EXPECT_EQ(run.session.outcome, quorvine::scan::ScanOutcome::Completed)
      << run.session.failure_reason;
  return tree_lines(run.session.tree);
}

}  // namespace

TEST(ScanFolders2010, ParentPlacementRestrictionAndPublicFolderLabel) {
  Store2010 store;
  store.mailboxes = {{0x65, "Bob", "bob"}};
  store.folder_tables = {{"Folders-1-2",
                          {
                              {0x1, 0, 0x65, "", "", ""},  // the root: parent 0, no name
                              {0x10, 0x65, 0x65, "Inbox", "", "IPF.Note"},
                              {0x11, 0x10, 0x65, "Sub", "", "IPF.Note"},
                              {0x12, 0x0, 0x65, "Public Folder", "", "IPF.Note"},
                              {0x13, 0x65, 0x65, "Restriction", "", "IPF.Note"},
                              {0x14, 0x11, 0x65, "Deeper", "", "IPF.Appointment"},
                              {0x15, 0x10, 0x65, "Sub two", "", "IPF.Contact"},
                          }}};
  ScanRun run;
  EXPECT_EQ(scan_tree(store, write_store_2010, Generation::V2010, run),
            "Bob\n"
            "  Inbox [IPF.Note]\n"
            "    Sub [IPF.Note]\n"
            "      Deeper [calendar]\n"
            "    Sub two [contact]\n"
            "  Public_Folder [IPF.Note]\n");
  ASSERT_EQ(run.session.folders_2010.size(), 5u);
  const auto& inbox = run.session.folders_2010[0];
  EXPECT_EQ(inbox.folderId, "10");
  EXPECT_EQ(inbox.parentId, "65");
  EXPECT_EQ(inbox.mailboxId, "65");
  EXPECT_EQ(inbox.mailboxName, "Bob");
  EXPECT_EQ(inbox.folderTable, "Folders-1-2");
  EXPECT_EQ(run.session.mailboxes.at(0).mailboxId2010, "65");
  EXPECT_NE(std::find(run.statuses.begin(), run.statuses.end(),
                      "Status: Extract Exchange 2010 Folder Information.  Folders-1-2"),
            run.statuses.end());
}

TEST(ScanFolders2010, FolderTablesAreScannedInReverseCatalogOrder) {
  Store2010 store;
  store.mailboxes = {{0x1, "First", "f"}, {0x2, "Second", "s"}};
  store.folder_tables = {{"Folders-1-1", {{0x10, 0x1, 0x1, "A", "", ""}}},
                         {"Folders-2-2", {{0x20, 0x2, 0x2, "B", "", ""}}}};
  ScanRun run;
  scan_tree(store, write_store_2010, Generation::V2010, run);
  ASSERT_EQ(run.session.folder_tables_2010.size(), 2u);
  EXPECT_EQ(run.session.folder_tables_2010[0].tableName, "Folders-2-2");
  ASSERT_EQ(run.session.folders_2010.size(), 2u);
  EXPECT_EQ(run.session.folders_2010[0].folderName, "B");
}

TEST(ScanFolders2010, LoopsAndEndlessChainsAreSkippedAndReported) {
  Store2010 store;
  store.mailboxes = {{0x65, "Bob", "bob"}};
  store.folder_tables = {{"Folders-1-2",
                          {
                              {0x10, 0x65, 0x65, "Inbox", "", ""},
                              // Same identifier as Inbox and its own parent: would recurse for ever.
                              {0x10, 0x10, 0x65, "Echo", "", ""},
                              // A loop that never reaches the mailbox.
                              {0x30, 0x31, 0x65, "LoopA", "", ""},
                              {0x31, 0x30, 0x65, "LoopB", "", ""},
                              // A chain to a parent that does not exist.
                              {0x40, 0x999, 0x65, "Orphan", "", ""},
                              // A mailbox that does not exist.
                              {0x50, 0x66, 0x66, "Elsewhere", "", ""},
                          }}};
  ScanRun run;
  EXPECT_EQ(scan_tree(store, write_store_2010, Generation::V2010, run),
            "Bob\n  Inbox [Folder]\n    Echo [Folder]\n");
  // The record of an unlisted mailbox and the three without a chain are each reported.
  ASSERT_EQ(run.warnings.size(), 2u);
  EXPECT_NE(run.warnings[0].find("1 folder record(s)"), std::string::npos) << run.warnings[0];
  EXPECT_NE(run.warnings[1].find("3 folder(s)"), std::string::npos) << run.warnings[1];
}

TEST(ScanFolders2010, PublicStoreUsesThePublicMailbox) {
  Store2010 store;
  store.has_mailbox_table = false;
  store.folder_tables = {{"Folders-1-1",
                          {{0x10, 0x0, 0x77, "Public Folder", "", ""},
                           {0x11, 0x10, 0x77, "Child", "", "IPF.Task"}}}};
  ScanRun run;
  EXPECT_EQ(scan_tree(store, write_store_2010, Generation::V2010, run),
            "ExPublic Folder\n  Public_Folder [Folder]\n    Child [task]\n");
  EXPECT_EQ(run.session.folders_2010.at(0).mailboxId, "public_folder");
}

TEST(ScanFolders2013, FolderTableNumberPicksTheMailbox) {
  Store2013 store;
  store.mailboxes = {{100, "Hundred", "h"}, {101, "HundredOne", "h1"}};
  store.folder_tables = {{"Folder_101",
                          {
                              {0x1, 0x0, 0, "", "", ""},  // record 0: the root
                              {0x2, 0x1, 0, "Inbox", "", "IPF.Note"},
                              {0x3, 0x2, 0, "Sub", "", "IPF.StickyNote"},
                              {0x4, 0x1, 0, "Restriction", "", ""},
                              {0x5, 0x0, 0, "", "", ""},
                          }}};
  ScanRun run;
  EXPECT_EQ(scan_tree(store, write_store_2013, Generation::V2013, run),
            "Hundred\nHundredOne\n  Inbox [IPF.Note]\n    Sub [note]\n");
  const auto& box = run.session.mailboxes.at(1);
  EXPECT_EQ(box.mailboxId, "101");
  EXPECT_EQ(box.mailboxId2010, "101");
  ASSERT_EQ(run.session.folders_2010.size(), 2u);
  EXPECT_EQ(run.session.folders_2010[0].mailboxId, "101");
  EXPECT_EQ(run.session.folders_2010[0].folderId, std::string(36, '0') + "0000000000000002");
}

TEST(ScanFolders2013, PublicStoreGetsNoFolders) {
  Store2013 store;
  store.has_mailbox_table = false;
  store.folder_tables = {{"Folder_1", {{0x1, 0x0, 0, "", "", ""}, {0x2, 0x1, 0, "X", "", ""}}}};
  ScanRun run;
  EXPECT_EQ(scan_tree(store, write_store_2013, Generation::V2013, run), "ExPublic Folder\n");
  EXPECT_TRUE(run.session.folders_2010.empty());
}

TEST(ScanFolders2013, ExplicitChoiceIsHonouredEvenWhenItDoesNotFit) {
  // A 2007 layout read as 2013: no "Folder_<n>" tables, so mailboxes without folders.
  Store2007 store;
  store.mailboxes = {{0x5, "Box", "o"}};
  store.folders = {{0x10, 0, 0x5, "Inbox", "/Inbox", "IPF.Note"}};
  ScanRun run;
  EXPECT_EQ(scan_tree(store, write_store_2007, Generation::V2013, run), "Box\n");
  EXPECT_TRUE(run.session.index.messages().empty());
}

TEST(ChildPlacement, EachPendingFolderIsPlacedOnce) {
  quorvine::scan::ScanSession session;
  quorvine::scan::SilentScanObserver observer;
  const auto top = session.tree.add(quorvine::scan::root_tree_item, "Top", "");
  std::vector<quorvine::scan::PendingFolder> pending = {
      {"a", "a", "t", "m", "A", "Folder"},
      {"b", "b", "a", "m", "B", "Folder"},
      {"a", "a", "b", "m", "A again", "Folder"},  // loops back to "a"
      {"c", "c", "t", "m", "C", "Folder"},
  };
  const size_t left = quorvine::scan::child_tree_build_2010(session, observer, {{"t", top}},
                                                            pending, "Mailbox", "Folders-1-1");
  EXPECT_EQ(left, 0u);
  EXPECT_EQ(tree_lines(session.tree), "Top\n  A [Folder]\n    B [Folder]\n      A again [Folder]\n  C [Folder]\n");
}

TEST(ScanFolders2013, DamagedRootRecordKeepsTheMailboxsFolders) {
  Store2013 store;
  store.mailboxes = {{101, "HundredOne", "h1"}};
  store.folder_tables = {{"Folder_101",
                          {
                              {0x1, 0x0, 0, "", "", ""},  // record 0: the root, damaged below
                              {0x2, 0x1, 0, "Inbox", "", "IPF.Note"},
                              {0x3, 0x2, 0, "Sub", "", "IPF.StickyNote"},
                              {0x4, 0x1, 0, "Sent Items", "", "IPF.Note"},
                              {0x5, 0x0, 0, "", "", ""},
                          }}};
  quorvine::testing::ScratchDir dir;
  write_store_2013(dir / "s.edb", store);
  damage_first_record(dir / "s.edb", "Folder_101");
  ScanRun run;
  run_scan(run, dir / "s.edb", Generation::V2013);
  EXPECT_EQ(tree_lines(run.session.tree), "HundredOne\n  Inbox [IPF.Note]\n    Sub [note]\n  Sent Items [IPF.Note]\n");
  ASSERT_FALSE(run.warnings.empty());
  EXPECT_NE(run.warnings.front().find("Folder_101"), std::string::npos) << run.warnings.front();
}
