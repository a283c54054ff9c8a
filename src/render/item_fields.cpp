#include "render/item_fields.hpp"

#include <string>

namespace quorvine::render {
namespace {

using S = FieldSource;
using W = Shown;

ItemField col(std::string_view label, std::vector<std::string_view> both) {
  return {label, S::Column, W::WhenSet, both, both};
}
ItemField col(std::string_view label, std::vector<std::string_view> old, std::vector<std::string_view> newer) {
  return {label, S::Column, W::WhenSet, std::move(old), std::move(newer)};
}

const std::vector<ItemField> note_fields = {
    {"From :", S::From, W::Always, {"N67b5"}, {"N67b5"}},
    {"Subject: ", S::Subject, W::Always, {"S70"}, {"S70"}},
    {"Attachment: ", S::Attachment, W::WithAttachments, {}, {}},
};

const std::vector<ItemField> task_fields = {
    {"From :", S::From, W::Always, {"N67b5"}, {"N67b5"}},
    {"Subject: ", S::Subject, W::Always, {"S70"}, {"S70"}},
    {"Categories : ", S::Column, W::Always, {"MS80db"}, {"MS80db"}},
    {"Start Date : ", S::Column, W::Always, {"T800d", "T8199"}, {"T800d", "T8199"}},
    {"Due Date : ", S::Column, W::Always, {"T8198"}, {"T8198"}},
    {"Reminder Date : ", S::Column, W::Always, {"T811f"}, {"T811f"}},
    {"Attachment: ", S::Attachment, W::WithAttachments, {}, {}},
};

const std::vector<ItemField> appointment_fields = {
    {"From :", S::From, W::WhenSet, {"N67b5"}, {}},
    {"Subject: ", S::Subject, W::WhenSet, {"S70"}, {}},
    col("Location : ", {"S810c", "S81fd"}, {"S810c", "S81fd", "S8049", "S8004"}),
    col("Start Date : ", {"T818f", "T800d", "T814e", "T81c3", "T81cb", "T810b", "T81ef", "T81bd", "T60", "T812e"},
        {"T818f", "T800d", "T814e", "T81c3", "T81cb", "T810b", "T81ef", "T81bd", "T60", "T8040"}),
    col("End Date : ", {"T814d", "T8198", "T81c2", "T81c9", "T8102", "T81bc", "T61", "T8155", "T8156"},
        {"T814d", "T8198", "T81c2", "T81c9", "T8102", "T81bc", "T61", "T8041"}),
    col("Show As : ", {"S80fd", "S8120"}, {"S80fd"}),
    col("Time Zone: ", {"S8201", "S821b", "S8214", "S8204"}, {"S8201", "S821b", "S8214", "S8051"}),
    {"To:", S::To, W::WhenSet, {}, {"N67b4"}, true},
    {"Attachment: ", S::Attachment, W::WithAttachments, {}, {}},
};

const std::vector<ItemField> contact_fields = {
    {"From:", S::From, W::WhenSet, {"N67b5"}, {"N67b5"}},
    col("Full Name:", {"S82a0", "S3001"}),
    col("First Name:", {"S3a06"}),
    col("Middle Name: ", {"S3a44"}),
    col("Last Name:", {"S3a11"}),
    col("Company Name:", {"S3a16"}),
    col("File As 1:", {"S81c2"}),
    col("File As 2:", {"S70"}),
    col("E-Mail Addrees 1:", {"S81b1", "S81b0", "S801a", "S3003", "S803a", "S82f6", "S803b", "S802c"},
        {"S802c", "S81b0", "S3003", "S803a", "S8023"}),
    col("Email Address 1 Display As:", {"S829f", "S81b2", "S802f"}, {"S829f", "S81b2", "S801a"}),
    col("E-Mail Addrees 2:", {"S81b1", "S81b5", "S801b", "S8010", "S802b", "S802c", "S803b"},
        {"S81b1", "S801d", "S81b5", "S8010", "S801b", "S802b", "S800e"}),
    col("Email Address 2 Display As:", {"S81af"}, {"S81af", "S8020"}),
    col("E-Mail Addrees 3:", {"S81ba"}, {"S81ba", "S800b"}),
    col("Email Address 3 Display As:", {"S81b9"}),
    col("Job Title:", {"S3a17"}),
    col("Phone Number- Home:", {"S3a09"}, {"S3a09", "S8145"}),
    col("Phone Number- Home 2:", {"S3a2f"}),
    col("Phone Number - Business:", {"S3a08"}),
    col("Phone Number - Business 2:", {"S3a1b"}),
    col("Phone Number- Mobile No:", {"S3a1c"}),
    col("Phone Number Other:", {"S3a1f"}),
    col("Phone Number Other Fax:", {"S3a23"}),
    col("Business Homepage:", {"S8241"}),
    col("Business Full Address 1 :", {"S3a15"}),
    col("Business Address Street:", {"S80a6"}),
    col("Business Address City:", {"S8097"}, {"S8097", "S8143"}),
    col("Business Address State/Province:", {"S80a5"}, {"S80a5", "S8146"}),
    col("Business Address Country/Region:", {"S808d"}, {"S808d", "S8144"}),
    col("Business Address Zip/Postal Code:", {"S3a2a", "S809e"}, {"S3a2a", "S809e", "L813a"}),
    col("Phone Number - Business Fax No:", {"S3a24"}),
    col("Web Page Address 1:", {"S3a51"}),
    col("Street:", {"S3a29"}),
    col("State:", {"S3a28"}),
    col("City:", {"S3a27"}),
    col("Country:", {"S3a26"}),
    col("Initials:", {"S3a0a"}),
    col("Home Address:", {"S80a7", "S8095"}, {"S80a7", "S801a", "S8095"}),
    col("Home Address Street:", {"S3a5d"}),
    col("Home Address State:", {"S3a5c"}),
    col("Home Address City:", {"S3a59"}),
    col("Home Address Country:", {"S3a5a"}),
    col("Home Address Postal Code:", {"S3a5b"}),
    col("Categories:", {"MS80db"}),
    col("Title Nick name:", {"S3a45"}),
    col("Nick name:", {"S3a4f"}),
    col("Office:", {"S3a19"}),
    col("Department:", {"S3a18"}),
    col("Birth Day:", {"T3a42"}),
    col("Suffix:", {"S3a05"}),
    col("Profession:", {"S3a46"}),
    col("Fallowup flag:", {"S8027"}),
};

const std::vector<ItemField> no_fields;

}  // namespace

const std::vector<ItemField>& item_fields(std::string_view kind) {
  if (kind == "contact") return contact_fields;
  if (kind == "appointment") return appointment_fields;
  if (kind == "task") return task_fields;
  if (kind == "notes" || kind == "activity" || kind == "distlist") return note_fields;
  return no_fields;
}

}  // namespace quorvine::render
