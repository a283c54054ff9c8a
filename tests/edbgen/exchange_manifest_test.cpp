// The manifest is the second, independent statement of what a reader must find: tree
// order and list rows computed from the scenario by the readers' rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "edbgen/exchange_ids.hpp"
#include "edbgen/manifest_build.hpp"
#include "edbgen/scenario_parse.hpp"
#include "support/test_support.hpp"

namespace edbgen {
namespace {

using nlohmann::json;

Scenario load_data(const std::string& name) {
  Scenario s = load_scenario(quorvine::testing::source_dir() / "tests" / "data" / name);
  assign_identifiers(s);
  return s;
}

json manifest_of(Generation g, const Scenario& s, bool is_public = false) {
  return scenario_manifest({g, is_public, 8192, 0x620, 20}, s);
}

std::vector<std::string> labels(const json& nodes) {
  std::vector<std::string> out;
  for (const json& n : nodes) out.push_back(n.at("label"));
  return out;
}

const json& child(const json& nodes, const std::string& label) {
  for (const json& n : nodes)
    if (n.at("label") == label) return n;
  throw std::runtime_error("no node " + label);
}

const json& folder(const json& manifest, const std::string& path) {
  for (const json& f : manifest.at("folders"))
    if (f.at("path") == path) return f;
  throw std::runtime_error("no folder " + path);
}

size_t depth(const json& node) {
  size_t d = 0;
  for (const json& c : node.at("children")) d = std::max(d, depth(c));
  return d + 1;
}

const json* row_with_subject(const json& rows, const std::string& subject) {
  for (const json& r : rows)
    if (r.at("subject") == subject) return &r;
  return nullptr;
}

class EdgeManifest : public ::testing::Test {
 protected:
  void SetUp() override { edge_ = load_data("edge2007.json"); }
  Scenario edge_;
};

TEST_F(EdgeManifest, Tree2007SortsSiblingsButKeepsEveryFolderUnderItsOwnParent) {
  const json m = manifest_of(Generation::Ex2007, edge_);
  const json& mailbox = m.at("tree").at(0);
  EXPECT_EQ(mailbox.at("label"), "Edge_ Case");  // "," shown as "_"
  const std::vector<std::string> top = labels(mailbox.at("children"));
  // "_" sorts before letters; case twins stay apart, each with its own child.
  EXPECT_EQ(top.front(), "_Underscore");
  const auto at = [&](const std::string& l) { return std::find(top.begin(), top.end(), l) - top.begin(); };
  EXPECT_LT(at("Clients"), at("Clients-Old"));
  EXPECT_LT(at("Work"), at("work"));
  EXPECT_EQ(labels(child(mailbox.at("children"), "Clients").at("children")),
            (std::vector<std::string>{"Acme", "Zeta"}));
  EXPECT_TRUE(child(mailbox.at("children"), "Clients-Old").at("children").empty());
  EXPECT_EQ(labels(child(mailbox.at("children"), "Work").at("children")),
            (std::vector<std::string>{"Upper child"}));
  EXPECT_EQ(labels(child(mailbox.at("children"), "work").at("children")),
            (std::vector<std::string>{"lower child"}));
  // "/Finder" paths are never shown; "/" is deleted from 2003/2007 labels.
  EXPECT_EQ(at("Finder"), static_cast<long>(top.size()));
  EXPECT_LT(at("SlashName"), static_cast<long>(top.size()));
  // A folder without a name is labelled "Unknown" and its record number.
  EXPECT_EQ(std::count_if(top.begin(), top.end(),
                          [](const std::string& l) { return l.rfind("Unknown", 0) == 0; }),
            1);
  // 26 levels are shown, the 27th and deeper are not.
  EXPECT_EQ(depth(child(mailbox.at("children"), "Level 01")), 26u);
  EXPECT_EQ(child(mailbox.at("children"), "Custom class").at("class"), "IPF.Custom.Thing");
  EXPECT_EQ(child(mailbox.at("children"), "No class").at("class"), "Folder");
}

TEST_F(EdgeManifest, MailboxesBelow256KeepTheirFoldersAndTwinNamesStaySeparate) {
  const json m = manifest_of(Generation::Ex2007, edge_);
  ASSERT_EQ(m.at("tree").size(), 3u);
  EXPECT_LT(edge_.mailboxes[0].number, 256u);
  EXPECT_FALSE(m.at("tree")[0].at("children").empty());
  EXPECT_EQ(m.at("tree")[1].at("label"), m.at("tree")[2].at("label"));
  EXPECT_EQ(labels(m.at("tree")[1].at("children")), (std::vector<std::string>{"Inbox"}));
  EXPECT_EQ(labels(m.at("tree")[2].at("children")), (std::vector<std::string>{"Posteingang"}));
}

TEST_F(EdgeManifest, Tree2010KeepsScenarioOrderAndDropsOnlyWhatReadersDrop) {
  const json m = manifest_of(Generation::Ex2010, edge_);
  const json& mailbox = m.at("tree").at(0);
  const std::vector<std::string> top = labels(mailbox.at("children"));
  EXPECT_EQ(top.front(), "Inbox");
  EXPECT_NE(std::find(top.begin(), top.end(), "Finder"), top.end());
  EXPECT_NE(std::find(top.begin(), top.end(), "Slash/Name"), top.end());
  EXPECT_EQ(std::count(top.begin(), top.end(), ""), 0);
  EXPECT_EQ(depth(child(mailbox.at("children"), "Level 01")), 30u);
  EXPECT_NO_THROW(folder(m, "Edge_ Case/Slash\\/Name"));
}

TEST_F(EdgeManifest, HiddenClassesSendersAndUndecodableDates2007) {
  const json m = manifest_of(Generation::Ex2007, edge_);
  const json& rows = folder(m, "Edge_ Case/Inbox").at("rows");
  EXPECT_EQ(row_with_subject(rows, "Hidden view"), nullptr);
  EXPECT_EQ(row_with_subject(rows, "Work hours"), nullptr);
  ASSERT_NE(row_with_subject(rows, "Retention tags"), nullptr);  // hidden only in 2010/2013
  EXPECT_EQ(row_with_subject(rows, "Retention tags")->at("kind"), "IPM.Configuration.ELC");
  EXPECT_EQ(row_with_subject(rows, "Unknown class")->at("kind"), "IPM.Note.Custom.Thing");
  // No sender but a subject: listed with an empty sender; neither: not listed.
  ASSERT_NE(row_with_subject(rows, "Nobody sent this"), nullptr);
  EXPECT_EQ(row_with_subject(rows, "Nobody sent this")->at("from"), "");
  EXPECT_EQ(row_with_subject(rows, ""), nullptr);
  const json& future = *row_with_subject(rows, "Far future");
  EXPECT_EQ(future.at("date_utc"), "");
  EXPECT_EQ(future.at("filetime"), 9223372036854775807ull);
  EXPECT_EQ(row_with_subject(rows, "Falls back to delivery")->at("date_utc"),
            "Mar,03 2011 12:00:00");
  EXPECT_EQ(row_with_subject(rows, "Only creation date")->at("date_utc"), "Mar,04 2011 12:00:00");
  EXPECT_TRUE(row_with_subject(rows, "No date at all")->at("filetime").is_null());
  // A sender containing a mailbox owner's name is shown as that name.
  EXPECT_EQ(row_with_subject(rows, "Owner sends")->at("from"), "Edge Owner");
  EXPECT_EQ(row_with_subject(rows, "Sender without name")->at("from"), "[noname@example.com]");
  EXPECT_EQ(row_with_subject(rows, "Mbox quoting")->at("from"), "Dave Brown[dave.brown@example.com]");
  const json& many = *row_with_subject(rows, "Many attachments");
  EXPECT_TRUE(many.at("attachment").get<bool>());
  EXPECT_EQ(many.at("message").at("attachments").size(), 6u);
  EXPECT_EQ(many.at("message").at("attachments")[5].at("size"), 70000u);
}

TEST_F(EdgeManifest, RowsOf2010And2013RunInReverseTableOrder) {
  const json m7 = manifest_of(Generation::Ex2007, edge_);
  const json m10 = manifest_of(Generation::Ex2010, edge_);
  std::vector<std::string> s7, s10;
  for (const json& r : folder(m7, "Edge_ Case/Inbox").at("rows")) s7.push_back(r.at("subject"));
  for (const json& r : folder(m10, "Edge_ Case/Inbox").at("rows")) s10.push_back(r.at("subject"));
  // 2010 also hides the ELC class; otherwise the same rows backwards.
  s7.erase(std::remove(s7.begin(), s7.end(), "Retention tags"), s7.end());
  std::reverse(s10.begin(), s10.end());
  EXPECT_EQ(s7, s10);
  const json& r10 = *row_with_subject(folder(m10, "Edge_ Case/Inbox").at("rows"), "Falls back to delivery");
  EXPECT_EQ(r10.at("date_utc"), "Mar,03 2011 12:00:00");
  EXPECT_FALSE(r10.contains("to"));
}

TEST(ManifestRows, RecipientsComeFromTheTransportHeaders2007) {
  const Scenario s = load_data("basic2007.json");
  const json m = manifest_of(Generation::Ex2007, s);
  const json& design = *row_with_subject(folder(m, "Alice Smith/Inbox").at("rows"), "Design notes");
  EXPECT_EQ(design.at("to"), "Alice Smith [alice.smith@example.com], Bob Jones [bob.jones@example.org]");
  EXPECT_EQ(design.at("bcc"), "Carol White [carol@example.net]");
  EXPECT_EQ(design.at("cc"), "");
  const json& lunch = *row_with_subject(folder(m, "Alice Smith/Inbox").at("rows"), "RE: Lunch?");
  EXPECT_EQ(lunch.at("message").at("subject_prefix"), "RE: ");
}

TEST(ManifestRows, HeaderFieldsFollowTheByteFilterAndLaterLinesWin) {
  const HeaderFields f = header_fields(
      "To: \"Quoted, Name\" <q@example.com>\r\nReply-To: r@example.com\r\nTo: second@example.com\r\n"
      "Cc: \xD0\x96x\r\nEnvelope-to: e@example.com\r\n");
  EXPECT_EQ(f.to, "second@example.com");
  EXPECT_EQ(f.cc, std::string("\x16\x04x"));  // U+0416 keeps its low and high byte
  EXPECT_EQ(header_fields("From: \"A\" <a@b.c>\n").from, "A [a@b.c]");
}

TEST(ManifestRows, KindMappingDiffersByGeneration) {
  EXPECT_EQ(list_kind(Generation::Ex2007, "IPM.InkNotes").value(), "notes");
  EXPECT_EQ(list_kind(Generation::Ex2010, "IPM.InkNotes").value(), "IPM.InkNotes");
  EXPECT_EQ(list_kind(Generation::Ex2013, "IPM.Schedule.Meeting.Request").value(),
            "IPM.Schedule.Meeting.Request");
  EXPECT_EQ(list_kind(Generation::Ex2010, "IPM.Schedule.Meeting.Request").value(), "mail");
  EXPECT_EQ(list_kind(Generation::Ex2007, "srvinfo.expiry").value(), "srvinfo.expiry");
  EXPECT_EQ(list_kind(Generation::Ex2013, "srvinfo.expiry").value(), "mail");
  EXPECT_FALSE(list_kind(Generation::Ex2013, "IPM.Configuration.ELC").has_value());
  EXPECT_EQ(list_kind(Generation::Ex2007, "").value(), "mail");
  EXPECT_EQ(tree_folder_class("IPF.TaskRequest"), "task");
  EXPECT_EQ(tree_folder_class("ipf.note"), "Folder");  // the prefix test is case-sensitive
  EXPECT_FALSE(plausible_address("a@b"));
  EXPECT_TRUE(plausible_address("a@b.c"));
}

TEST(ManifestRows, Rows2013ShowTheColumnsThatStoreHolds) {
  const Scenario s = load_data("basic2013.json");
  const json m = manifest_of(Generation::Ex2013, s);
  const json& rows = folder(m, "Alice Smith/Inbox").at("rows");
  ASSERT_EQ(rows.size(), 3u);
  // The recipients blob as hex; the first UTF-16 unit of "Alice Smith" is 41 00.
  EXPECT_EQ(rows[0].at("from").get<std::string>().rfind("41006c00", 0), 0u);
  EXPECT_EQ(rows[0].at("message").at("subject"), "Design notes");
}

TEST(ManifestTree, PublicStores) {
  const Scenario s = load_data("public.json");
  const json m7 = manifest_of(Generation::Ex2007, s, true);
  ASSERT_EQ(m7.at("tree").size(), 1u);
  EXPECT_EQ(m7.at("tree")[0].at("label"), "ExPublic Folder");
  EXPECT_EQ(labels(m7.at("tree")[0].at("children")),
            (std::vector<std::string>{"Announcements", "Empty", "Public Folder", "Shared Calendar"}));
  const json m10 = manifest_of(Generation::Ex2010, s, true);
  EXPECT_EQ(labels(m10.at("tree")[0].at("children")),
            (std::vector<std::string>{"Announcements", "Shared Calendar", "Public_Folder", "Empty"}));
  EXPECT_TRUE(folder(m10, "ExPublic Folder/Empty").at("rows").empty());
  const json m13 = manifest_of(Generation::Ex2013, s, true);
  EXPECT_TRUE(m13.at("tree")[0].at("children").empty());
  EXPECT_TRUE(m13.at("folders").empty());
}

TEST(ManifestTree, SortKeyCleaning2007) {
  EXPECT_EQ(folder_sort_key_2007("/NON_IPM_SUBTREE", "Folder", 0, 0x10), "+Folder+0+10");
  EXPECT_EQ(folder_sort_key_2007("/NON_IPM_SUBTREE/", "Folder", 1, 0x10), "");
  EXPECT_EQ(folder_sort_key_2007("/A%23B/C%2BD/E+F", "IPF.Note", 7, 0xab),
            "/A#B/C-D/E F+IPF.Note+7+ab");
  EXPECT_EQ(folder_sort_key_2007("", "Folder", 3, 1), "/Unknown3+Folder+3+1");
}

TEST(ManifestPath, BesideTheStore) {
  EXPECT_EQ(manifest_path("x/demo.edb"), std::filesystem::path("x/demo.manifest.json"));
  EXPECT_EQ(manifest_path("store"), std::filesystem::path("store.manifest.json"));
}

}  // namespace
}  // namespace edbgen
