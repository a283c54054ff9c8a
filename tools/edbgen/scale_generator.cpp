#include "edbgen/scale_generator.hpp"

#include <algorithm>
#include <array>
#include <map>

namespace edbgen {
namespace {

constexpr size_t kSampleRows = 3;
constexpr uint64_t kFirstDate = 129440000000000000ull;  // Mar 2011
constexpr uint64_t kSeed = 0x9E3779B97F4A7C15ull;

uint64_t splitmix(uint64_t& state) {
  uint64_t z = (state += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

constexpr std::array<const char*, 24> kWords = {
    "report", "meeting", "budget", "quarter", "review", "draft", "contract", "invoice",
    "schedule", "update", "customer", "project", "release", "status", "agenda", "minutes",
    "proposal", "travel", "order", "delivery", "forecast", "summary", "team", "plan"};
constexpr std::array<const char*, 12> kFirstNames = {"Anna", "Ben", "Chloe", "David", "Eva", "Frank",
                                                     "Grace", "Hugo", "Iris", "Jonas", "Karin", "Leo"};
constexpr std::array<const char*, 10> kLastNames = {"Meyer", "Smith", "Novak", "Rossi", "Dubois",
                                                    "Jensen", "Kowalski", "Garcia", "Tanaka", "Brown"};

struct FolderTemplate {
  const char* name;
  const char* container_class;
  int parent;  // index into the template, -1 for a top folder
};

constexpr std::array<FolderTemplate, 13> kFolders = {{{"Inbox", "IPF.Note", -1},
                                                      {"Projects", "IPF.Note", 0},
                                                      {"2011", "IPF.Note", 1},
                                                      {"Customers", "IPF.Note", 0},
                                                      {"Sent Items", "IPF.Note", -1},
                                                      {"Deleted Items", "IPF.Note", -1},
                                                      {"Drafts", "IPF.Note", -1},
                                                      {"Calendar", "IPF.Appointment", -1},
                                                      {"Contacts", "IPF.Contact", -1},
                                                      {"Tasks", "IPF.Task", -1},
                                                      {"Notes", "IPF.StickyNote", -1},
                                                      {"Archive", "IPF.Note", -1},
                                                      {"Archive 2010", "IPF.Note", 11}}};

std::vector<Folder> template_folders() {
  std::vector<Folder> flat(kFolders.size());
  for (size_t k = 0; k < kFolders.size(); ++k) {
    flat[k].name = kFolders[k].name;
    flat[k].container_class = kFolders[k].container_class;
  }
  // Build bottom-up so children are complete before being copied into their parents.
  for (size_t k = kFolders.size(); k-- > 0;)
    if (kFolders[k].parent >= 0)
      flat[kFolders[k].parent].children.insert(flat[kFolders[k].parent].children.begin(), flat[k]);
  std::vector<Folder> top;
  for (size_t k = 0; k < kFolders.size(); ++k)
    if (kFolders[k].parent < 0) top.push_back(flat[k]);
  return top;
}

// The template folders of one mailbox in template order (pre-order of the tree).
void flatten(const std::vector<Folder>& folders, std::vector<const Folder*>& out) {
  for (const Folder& f : folders) {
    out.push_back(&f);
    flatten(f.children, out);
  }
}

std::string words(uint64_t& rng, size_t count) {
  std::string out;
  for (size_t k = 0; k < count; ++k) {
    if (k) out += ' ';
    out += kWords[splitmix(rng) % kWords.size()];
  }
  return out;
}

std::string person(uint64_t& rng) {
  return std::string(kFirstNames[splitmix(rng) % kFirstNames.size()]) + " " +
         kLastNames[splitmix(rng) % kLastNames.size()];
}

std::string address_of(const std::string& name) {
  std::string a;
  for (char c : name) a += c == ' ' ? '.' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return a + "@example.com";
}

std::string message_class_for(const std::string& folder_class) {
  if (folder_class == "IPF.Appointment") return "IPM.Appointment";
  if (folder_class == "IPF.Contact") return "IPM.Contact";
  if (folder_class == "IPF.Task") return "IPM.Task";
  if (folder_class == "IPF.StickyNote") return "IPM.StickyNote";
  return "IPM.Note";
}

}  // namespace

ScaleShape scale_shape(uint64_t messages) {
  return {static_cast<size_t>(std::min<uint64_t>(16, 2 + messages / 25000)), kFolders.size()};
}

Scenario scale_tree(uint64_t messages, bool is_public) {
  Scenario s;
  if (is_public) {
    s.public_folders = template_folders();
    return s;
  }
  const ScaleShape shape = scale_shape(messages);
  for (size_t k = 0; k < shape.mailboxes; ++k) {
    Mailbox m;
    // The first mailbox has a number below 256, the others above.
    m.number = k == 0 ? 101 : 1000 + k;
    m.display_name = "Scale User " + std::to_string(k + 1);
    m.owner_name = "Owner " + std::to_string(k + 1);
    m.folders = template_folders();
    s.mailboxes.push_back(std::move(m));
  }
  return s;
}

Message scale_message(uint64_t i, const std::string& folder_class, uint64_t first_counter) {
  uint64_t rng = kSeed ^ (i * 0xD1B54A32D192ED03ull);
  Message m;
  m.message_class = message_class_for(folder_class);
  m.subject = words(rng, 2 + splitmix(rng) % 5) + " #" + std::to_string(i);
  if (splitmix(rng) % 4 == 0) m.subject_prefix = "RE: ";
  m.sender_name = person(rng);
  m.sender_address = address_of(m.sender_name);
  const size_t recipients = 1 + splitmix(rng) % 3;
  for (size_t k = 0; k < recipients; ++k) {
    const std::string name = person(rng);
    (k == 2 ? m.cc : m.to).push_back({name, address_of(name)});
  }
  const uint64_t date = kFirstDate + i * 370'000'000ull + splitmix(rng) % 10'000'000ull;
  m.dates = {date, date + 20'000'000ull, date + 20'000'000ull};
  // A plain-text body of a few KB, some lines beginning with "From ".
  const size_t body_size = 1024 + splitmix(rng) % 5120;
  while (m.body_text.size() < body_size) {
    m.body_text += splitmix(rng) % 16 == 0 ? "From " : "";
    m.body_text += words(rng, 6 + splitmix(rng) % 8) + ".\r\n";
  }
  if (i % 10 == 7) {
    Attachment a;
    a.name = words(rng, 1) + "_" + std::to_string(i) + ".bin";
    const size_t size = 10 * 1024 + splitmix(rng) % (90 * 1024);
    a.content.resize(size);
    for (size_t k = 0; k < size; k += 8) {
      const uint64_t v = splitmix(rng);
      for (size_t b = 0; b < 8 && k + b < size; ++b) a.content[k + b] = static_cast<uint8_t>(v >> (8 * b));
    }
    m.attachments.push_back(std::move(a));
  }
  m.id = exchange_identifier(first_counter + 2 * i);
  if (!m.attachments.empty()) m.attachment_ids.push_back(exchange_identifier(first_counter + 2 * i + 1));
  return m;
}

ScalePlacement scale_placement(uint64_t i, size_t mailboxes, size_t folders, unsigned big_mailbox_percent) {
  if (big_mailbox_percent == 0 || mailboxes < 2) return {i % mailboxes, (i / mailboxes) % folders};
  // In each run of 100 messages the first P go to mailbox 0; three in four of those go to
  // its first folder, so one contents (or header) table grows with the store.
  const uint64_t r = i % 100;
  if (r < big_mailbox_percent) return {0, i % 4 != 3 ? 0 : 1 + (i / 4) % (folders - 1)};
  const uint64_t others = mailboxes - 1;
  return {1 + i % others, (i / others) % folders};
}

nlohmann::json write_scale_store(StoreFiller& filler, const ManifestHeader& header, uint64_t messages,
                                 unsigned big_mailbox_percent) {
  Scenario tree = scale_tree(messages, header.is_public);
  const uint64_t first_counter = assign_identifiers(tree);
  filler.begin(tree);

  std::vector<std::vector<const Folder*>> slots;
  if (header.is_public) {
    slots.emplace_back();
    flatten(tree.public_folders, slots.back());
  } else {
    for (const Mailbox& m : tree.mailboxes) {
      slots.emplace_back();
      flatten(m.folders, slots.back());
    }
  }
  const size_t mailboxes = slots.size(), folders = slots.front().size();
  // Per folder: its row count and the message numbers of its first and last few rows.
  struct FolderRows {
    uint64_t count = 0;
    std::vector<uint64_t> first, last;
  };
  std::map<const Folder*, FolderRows> rows_of;
  for (uint64_t i = 0; i < messages; ++i) {
    const ScalePlacement at = scale_placement(i, mailboxes, folders, big_mailbox_percent);
    const Folder& f = *slots[at.mailbox][at.folder];
    filler.add_message(at.mailbox, f, scale_message(i, f.container_class, first_counter));
    FolderRows& fr = rows_of[&f];
    ++fr.count;
    if (fr.first.size() < kSampleRows) fr.first.push_back(i);
    fr.last.push_back(i);
    if (fr.last.size() > kSampleRows) fr.last.erase(fr.last.begin());
  }

  const std::vector<TreeNode> nodes = manifest_tree(header.generation, header.is_public, tree);
  nlohmann::json manifest = manifest_skeleton(header, nodes);
  manifest["scale"] = messages;
  if (big_mailbox_percent) manifest["big_mailbox_percent"] = big_mailbox_percent;
  const std::vector<std::string> owners = owner_names(tree, header.is_public);
  for_each_folder(nodes, [&](const TreeNode& node, const std::string& path, size_t) {
    const FolderRows& fr = rows_of[node.folder];
    // 2007 lists a folder oldest first, the later layouts newest first.
    std::vector<uint64_t> sample = fr.first;
    if (header.generation != Generation::Ex2007) sample.assign(fr.last.rbegin(), fr.last.rend());
    nlohmann::json rows = nlohmann::json::array();
    for (uint64_t i : sample) {
      const Message m = scale_message(i, node.folder->container_class, first_counter);
      if (auto row = list_row(header.generation, m, owners)) {
        nlohmann::json r = row_json(header.generation, *row);
        r["index"] = i;
        rows.push_back(std::move(r));
      }
    }
    manifest["folders"].push_back(
        {{"path", path}, {"row_count", fr.count}, {"rows", std::move(rows)}, {"rows_complete", false}});
  });
  return manifest;
}

}  // namespace edbgen
