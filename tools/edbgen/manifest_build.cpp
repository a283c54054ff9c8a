#include "edbgen/manifest_build.hpp"

#include "edbgen/exchange_rtf.hpp"
#include "edbgen/exchange_sha256.hpp"

namespace edbgen {
namespace {

using nlohmann::json;

json tree_json(const std::vector<TreeNode>& nodes) {
  json out = json::array();
  for (const TreeNode& n : nodes)
    out.push_back({{"label", n.label}, {"class", n.folder_class}, {"children", tree_json(n.children)}});
  return out;
}

void visit_nodes(const std::vector<TreeNode>& nodes, const std::string& prefix, size_t mailbox,
                 const std::function<void(const TreeNode&, const std::string&, size_t)>& visit) {
  for (const TreeNode& n : nodes) {
    const std::string path = prefix + "/" + path_label(n.label);
    visit(n, path, mailbox);
    visit_nodes(n.children, path, mailbox, visit);
  }
}

json addresses_json(const std::vector<Recipient>& recipients) {
  json addresses = json::array();
  for (const Recipient& r : recipients) addresses.push_back(r.address);
  return addresses;
}

json message_json(const Message& m) {
  json attachments = json::array();
  for (const Attachment& a : m.attachments)
    attachments.push_back(
        {{"name", a.name}, {"size", a.content.size()}, {"sha256", sha256_hex(a.content)}});
  return {{"class", m.message_class},
          {"subject", m.subject},
          {"subject_prefix", m.subject_prefix},
          {"sender_name", m.sender_name},
          {"sender_address", m.sender_address},
          {"body_text", m.body_text.empty() ? m.body_rtf_text : m.body_text},
          {"body_html", m.body_html},
          {"to", addresses_json(m.to)},
          {"cc", addresses_json(m.cc)},
          {"bcc", addresses_json(m.bcc)},
          {"attachments", attachments}};
}

}  // namespace

json manifest_skeleton(const ManifestHeader& h, const std::vector<TreeNode>& tree) {
  return {{"exchange", generation_name(h.generation)},
          {"public", h.is_public},
          {"page_size", h.page_size},
          {"format_version", h.format_version},
          {"format_revision", h.format_revision},
          {"tree", tree_json(tree)},
          {"folders", json::array()}};
}

json row_json(Generation g, const ManifestRow& row) {
  json r = {{"kind", row.kind},
            {"from", row.from},
            {"subject", row.subject},
            {"date_utc", row.date_utc},
            {"filetime", row.filetime ? json(*row.filetime) : json(nullptr)},
            {"attachment", row.attachment}};
  if (g == Generation::Ex2007) {
    r["to"] = row.to;
    r["cc"] = row.cc;
    r["bcc"] = row.bcc;
  }
  if (row.message) r["message"] = message_json(*row.message);
  return r;
}

void for_each_folder(const std::vector<TreeNode>& tree,
                     const std::function<void(const TreeNode&, const std::string&, size_t)>& visit) {
  for (size_t i = 0; i < tree.size(); ++i)
    visit_nodes(tree[i].children, path_label(tree[i].label), i, visit);
}

std::vector<std::string> owner_names(const Scenario& s, bool is_public) {
  if (is_public) return {"ExPublic Folder"};
  std::vector<std::string> out;
  for (const Mailbox& m : s.mailboxes) out.push_back(m.owner_name);
  return out;
}

json scenario_manifest(const ManifestHeader& h, const Scenario& s) {
  const std::vector<TreeNode> tree = manifest_tree(h.generation, h.is_public, s);
  json manifest = manifest_skeleton(h, tree);
  const std::vector<std::string> owners = owner_names(s, h.is_public);
  for_each_folder(tree, [&](const TreeNode& node, const std::string& path, size_t) {
    json rows = json::array();
    const auto& messages = node.folder->messages;
    // 2010/2013 lists run in the reverse of table order; 2003/2007 lists in table order.
    const bool reversed = h.generation != Generation::Ex2007;
    for (size_t k = 0; k < messages.size(); ++k) {
      const Message& m = messages[reversed ? messages.size() - 1 - k : k];
      if (auto row = list_row(h.generation, m, owners)) rows.push_back(row_json(h.generation, *row));
    }
    const size_t count = rows.size();
    manifest["folders"].push_back({{"path", path}, {"row_count", count}, {"rows", std::move(rows)}});
  });
  return manifest;
}

std::filesystem::path manifest_path(const std::filesystem::path& store) {
  std::filesystem::path p = store;
  p.replace_extension(".manifest.json");
  return p;
}

}  // namespace edbgen
