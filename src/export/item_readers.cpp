#include "export/item_readers.hpp"

#include <algorithm>
#include <set>
#include <stdexcept>

#include "decode/address_extraction.hpp"
#include "decode/text_passes.hpp"
#include "ese/text.hpp"
#include "export/message_gathering.hpp"
#include "listing/stored_time.hpp"
#include "export/transport_headers.hpp"
#include "render/item_fields.hpp"
#include "scan/columns.hpp"

namespace quorvine::exporting {
namespace {

// Reads the labelled rows of one kind's page from an item record.
class FieldReader {
 public:
  FieldReader(decode::DecodeContext& ctx, const ItemInput& in, std::string_view kind)
      : ctx_(ctx), in_(in), fields_(render::item_fields(kind)) {}

  std::string text(std::string_view label) const { return render::chain_text(ctx_, in_.item, chain(label)); }

  std::optional<uint64_t> time(std::string_view label) const {
    if (!in_.item.record) return std::nullopt;
    std::vector<std::optional<size_t>> columns;
    for (auto name : chain(label)) columns.push_back(in_.item.column(name));
    return listing::first_stored_time(*in_.item.record, columns);
  }

 private:
  const std::vector<std::string_view>& chain(std::string_view label) const {
    for (const render::ItemField& f : fields_)
      if (f.label == label) return in_.generation == decode::Generation::V2007 ? f.columns_2007 : f.columns_2010;
    throw std::logic_error("no field " + std::string(label));
  }

  decode::DecodeContext& ctx_;
  const ItemInput& in_;
  const std::vector<render::ItemField>& fields_;
};

// The elements of a multi-valued text column, each as its own text.
std::vector<std::string> text_elements(const render::ItemRecord& item, std::string_view name) {
  std::vector<std::string> out;
  const auto column = item.column(name);
  if (!column || !item.record || !item.record->has_value(*column)) return out;
  try {
    const uint32_t codepage = item.table->columns()[*column].codepage;
    for (const ese::MultiValueElement& element : item.record->multi_values(*column)) {
      std::string text = ese::decode_text(element.data, codepage ? codepage : 1200);
      std::erase(text, '\0');
      if (!text.empty()) out.push_back(std::move(text));
    }
  } catch (const ese::EseError&) {
    // A damaged category list is left out, as the preview shows it empty.
  }
  return out;
}

std::string from_text(decode::DecodeContext& ctx, const ItemInput& in) {
  if (!in.row.from.empty()) return in.row.from;
  return render::column_text(ctx, in.item, scan::columns::sender_fallback);
}

std::string subject_text(decode::DecodeContext& ctx, const ItemInput& in) {
  if (!in.row.subject.empty()) return in.row.subject;
  return render::column_text(ctx, in.item, scan::columns::topic);
}

// The display part of a sender text "Name<address>" or "Name [address]".
std::string display_part(const std::string& from) {
  std::string name = from.substr(0, std::min(from.find('<'), from.find('[')));
  while (!name.empty() && (name.back() == ' ' || name.back() == '"')) name.pop_back();
  while (!name.empty() && (name.front() == ' ' || name.front() == '"')) name.erase(0, 1);
  return name.find('@') == std::string::npos ? name : std::string();
}

// Stable across runs: the message identifier, unique in its store.
std::string item_uid(const listing::MessageListRow& row) { return row.message_id + "@quorvine"; }

}  // namespace

std::vector<std::string> addresses_in(const std::string& text) {
  std::vector<std::string> out;
  std::set<std::string> seen;
  const std::string found = decode::extract_addresses(text);
  size_t at = 0;
  while (at < found.size()) {
    size_t comma = found.find(',', at);
    if (comma == std::string::npos) comma = found.size();
    std::string address = found.substr(at, comma - at);
    if (address.find('@') != std::string::npos && seen.insert(address).second) out.push_back(address);
    at = comma + 1;
  }
  return out;
}

std::string ContactItem::formatted_name() const {
  if (!full_name.empty()) return full_name;
  if (!file_as.empty()) return file_as;
  return subject;
}

ContactItem read_contact(decode::DecodeContext& ctx, const ItemInput& in) {
  const FieldReader f(ctx, in, "contact");
  ContactItem c;
  c.uid = item_uid(in.row);
  c.full_name = f.text("Full Name:");
  c.file_as = f.text("File As 1:");
  c.subject = subject_text(ctx, in);
  c.first = f.text("First Name:");
  c.middle = f.text("Middle Name: ");
  c.last = f.text("Last Name:");
  c.prefix = f.text("Title Nick name:");
  c.suffix = f.text("Suffix:");
  c.nickname = f.text("Nick name:");
  c.company = f.text("Company Name:");
  c.department = f.text("Department:");
  c.job_title = f.text("Job Title:");
  c.profession = f.text("Profession:");
  for (const char* label : {"E-Mail Addrees 1:", "E-Mail Addrees 2:", "E-Mail Addrees 3:"}) {
    std::string value = f.text(label);
    if (!value.empty() && std::find(c.emails.begin(), c.emails.end(), value) == c.emails.end())
      c.emails.push_back(std::move(value));
  }
  const std::pair<const char*, std::vector<std::string>> phones[] = {
      {"Phone Number - Business:", {"work", "voice"}}, {"Phone Number - Business 2:", {"work", "voice"}},
      {"Phone Number- Home:", {"home", "voice"}},      {"Phone Number- Home 2:", {"home", "voice"}},
      {"Phone Number- Mobile No:", {"cell"}},          {"Phone Number - Business Fax No:", {"work", "fax"}},
      {"Phone Number Other Fax:", {"fax"}},            {"Phone Number Other:", {"voice"}}};
  for (const auto& [label, types] : phones)
    if (std::string number = f.text(label); !number.empty()) c.phones.push_back({types, number});
  // The business address: its own fields, else the contact's main address fields.
  auto either = [&](const char* first, const char* second) {
    std::string value = f.text(first);
    return value.empty() ? f.text(second) : value;
  };
  c.business.street = either("Business Address Street:", "Street:");
  c.business.city = either("Business Address City:", "City:");
  c.business.region = either("Business Address State/Province:", "State:");
  c.business.postal_code = f.text("Business Address Zip/Postal Code:");
  c.business.country = either("Business Address Country/Region:", "Country:");
  c.business.label = f.text("Business Full Address 1 :");
  c.home.street = f.text("Home Address Street:");
  c.home.city = f.text("Home Address City:");
  c.home.region = f.text("Home Address State:");
  c.home.postal_code = f.text("Home Address Postal Code:");
  c.home.country = f.text("Home Address Country:");
  c.home.label = f.text("Home Address:");
  c.business_page = f.text("Business Homepage:");
  c.personal_page = f.text("Web Page Address 1:");
  c.note = in.body;
  c.categories = text_elements(in.item, "MS80db");
  c.birthday = f.time("Birth Day:");
  return c;
}

DistributionList read_distribution_list(decode::DecodeContext& ctx, const ItemInput& in) {
  DistributionList list;
  list.uid = item_uid(in.row);
  list.name = subject_text(ctx, in);
  const char* members = in.generation == decode::Generation::V2007 ? "MN81d8" : "MN81e9";
  list.members = addresses_in(render::column_text(ctx, in.item, members));
  return list;
}

CalendarItem read_calendar_item(decode::DecodeContext& ctx, const ItemInput& in) {
  CalendarItem item;
  item.uid = item_uid(in.row);
  item.summary = subject_text(ctx, in);
  item.description = in.body;
  item.stamp = in.stored_time;
  item.categories = text_elements(in.item, "MS80db");
  // The sender and recipients as the mail export gathers them: a sender shown by name alone
  // gets the sender address column's; 2010 recipients come from the transport headers, else
  // from the recipient columns, 2003/2007 ones as listed.
  const std::string from = from_text(ctx, in);
  auto senders = addresses_in(from);
  if (senders.empty()) senders = addresses_in(render::column_text(ctx, in.item, scan::columns::sender_address));
  if (!senders.empty()) {
    item.organizer_address = senders.front();
    item.organizer_name = display_part(from);
  }
  const std::string& kind = in.row.kind;
  if (kind == "appointment") {
    const FieldReader f(ctx, in, "appointment");
    item.kind = CalendarKind::Event;
    item.location = f.text("Location : ");
    item.start = f.time("Start Date : ");
    item.end = f.time("End Date : ");
    item.show_as = f.text("Show As : ");
    std::string to = in.row.to;
    if (in.generation != decode::Generation::V2007) {
      const std::string headers = render::column_text(ctx, in.item, scan::columns::transport_headers);
      to.clear();
      for (const char* field : {"To", "Cc"})
        for (const MailAddress& a : header_addresses(headers, field))
          if (!a.address.empty()) to += a.address + ",";
      for (const char* column : {scan::columns::display_to, scan::columns::recipients_fallback})
        if (to.find('@') == std::string::npos) to = render::column_text(ctx, in.item, column);
    }
    item.attendees = addresses_in(to);
    std::erase(item.attendees, item.organizer_address);
    item.recurring = !render::column_text(ctx, in.item, "S8232").empty();
  } else if (kind == "task") {
    const FieldReader f(ctx, in, "task");
    item.kind = CalendarKind::Todo;
    item.start = f.time("Start Date : ");
    item.due = f.time("Due Date : ");
    item.reminder = f.time("Reminder Date : ");
  } else {
    item.kind = CalendarKind::Journal;
    item.start = in.stored_time;
  }
  return item;
}

}  // namespace quorvine::exporting
