// The labelled rows of the item pages and the templates they sit in.
#include <gtest/gtest.h>

#include "listing/message_listing.hpp"
#include "render/item_fields.hpp"
#include "render/item_pages.hpp"
#include "render/message_preview.hpp"
#include "render/render_fixture.hpp"

namespace quorvine::render {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

json items() {
  json contact = {{"class", "IPM.Contact"}, {"sender_name", "Ann"},
                  {"sender_address", "ann@example.com"}, {"fields", {{"S3a06", "Bob <b>"}}}};
  json task = {{"class", "IPM.Task"}, {"subject", "Do it"}, {"sender_name", "Ann"}, {"sender_address", "ann@example.com"}};
  return {{"mailboxes", json::array({{{"number", 300}, {"display_name", "Ann"},
                                      {"folders", json::array({{{"name", "Contacts"}, {"class", "IPF.Contact"},
                                                                {"messages", json::array({contact})}},
                                                               {{"name", "Tasks"}, {"class", "IPF.Task"},
                                                                {"messages", json::array({task})}}})}}})}};
}

PreviewResult preview(const std::string& exchange, const std::string& folder, testing::ScratchDir& dir) {
  const auto store = render_test::make_store(items(), exchange, dir);
  scan::ScanSession session;
  EXPECT_TRUE(render_test::scan_into(store, exchange, dir, session));
  const auto item = session.tree.find_path("Ann/" + folder);
  EXPECT_TRUE(item);
  decode::DecodeContext ctx = listing::decode_context_for(session);
  scan::SilentScanObserver quiet;
  const listing::FolderListing folder_listing = listing::list_folder(session, ctx, *item, quiet);
  listing::ensure_bodies_loaded(session, ctx, *item, quiet);
  EXPECT_EQ(folder_listing.rows.size(), 1u);
  const fs::path out = dir / ("out" + exchange + folder);
  fs::create_directories(out);
  return preview_message(session, ctx, folder_listing.rows.at(0), folder_listing.body_texts, out);
}

TEST(ItemRenderers, ContactWithOnlyAFirstNameShowsTwoRowsEscaped) {
  for (const std::string exchange : {"2007", "2010"}) {
    testing::ScratchDir dir;
    const auto result = preview(exchange, "Contacts", dir);
    ASSERT_EQ(result.renderer, "contact");
    ASSERT_EQ(result.fields.size(), 2u) << exchange;
    EXPECT_EQ(result.fields[0].label, "From:");
    EXPECT_EQ(result.fields[1].label, "First Name:");
    EXPECT_EQ(result.fields[1].value, "Bob <b>");
    const std::string page = render_test::read_file(result.header_page);
    // UTF-16LE: look for the escaped value's units.
    std::string units;
    for (char c : std::string("   <td height='20'><b>First Name:</b> Bob &lt;b&gt;</td>")) units += std::string{c, '\0'};
    EXPECT_NE(page.find(units), std::string::npos) << exchange;
    const std::string frame = render_test::read_file(result.frame_page);
    std::string layout;
    for (char c : std::string("<frameset cols='*,*' border='0'>")) layout += std::string{c, '\0'};
    EXPECT_NE(frame.find(layout), std::string::npos);
  }
}

TEST(ItemRenderers, TaskShowsEveryRowAndA2010TaskWithoutBodyShowsDots) {
  testing::ScratchDir dir;
  const auto result = preview("2010", "Tasks", dir);
  ASSERT_EQ(result.renderer, "task");
  std::vector<std::string> labels;
  for (const auto& f : result.fields) labels.push_back(f.label);
  EXPECT_EQ(labels, (std::vector<std::string>{"From :", "Subject: ", "Categories : ", "Start Date : ", "Due Date : ",
                                              "Reminder Date : "}));
  EXPECT_EQ(render_test::read_file(result.body.body.path), "\xEF\xBB\xBF......");
}

TEST(ItemFields, LabelsLetterForLetter) {
  std::vector<std::string> contact;
  for (const auto& f : item_fields("contact")) contact.push_back(std::string(f.label));
  EXPECT_EQ(contact.size(), 51u);
  EXPECT_EQ(contact[8], "E-Mail Addrees 1:");
  EXPECT_EQ(contact.back(), "Fallowup flag:");
  EXPECT_EQ(contact[27], "Business Address Country/Region:");
  EXPECT_EQ(item_fields("appointment")[2].label, "Location : ");
  EXPECT_TRUE(item_fields("mail").empty());
}

TEST(ItemPages, FramePageNamesTheBodyFileRelativeAndEncoded) {
  EXPECT_EQ(frame_page_html("rows='30%,*' border='0'", "/tmp/x y/blank#1.txt"),
            "<html><head></head><frameset rows='30%,*' border='0'><frame src='header.html'  scrolling='auto' "
            "frameborder='1'><frame src='blank%231.txt'></frameset></html>");
}

}  // namespace
}  // namespace quorvine::render
