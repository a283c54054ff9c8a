#include "edbgen/ese_page_walk.hpp"

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace edbgen::testing {

namespace {
uint16_t le16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
uint32_t le32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
}  // namespace

EseFile::EseFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  bytes_.assign(std::istreambuf_iterator<char>(in), {});
  if (bytes_.size() < 4096) throw std::runtime_error("file too small");
  page_size_ = le32(&bytes_[236]);
}

uint32_t EseFile::revision() const { return le32(&bytes_[232]); }

TreeEntry split_entry(const PageView& page, size_t tag) {
  const Bytes& v = page.values.at(tag);
  size_t pos = 0, common = 0;
  if (page.tag_flags.at(tag) & 0x4) {
    if (v.size() < 2) throw std::out_of_range("entry too short");
    common = le16(v.data());
    pos = 2;
    if (common > page.values[0].size()) throw std::out_of_range("common key beyond tag 0");
  }
  if (v.size() < pos + 2) throw std::out_of_range("entry too short");
  const size_t local = le16(v.data() + pos);
  pos += 2;
  if (v.size() < pos + local) throw std::out_of_range("key beyond entry");
  TreeEntry e;
  e.key.assign(page.values[0].begin(), page.values[0].begin() + common);
  e.key.insert(e.key.end(), v.begin() + pos, v.begin() + pos + local);
  e.data.assign(v.begin() + pos + local, v.end());
  return e;
}

PageView EseFile::page(uint32_t number) const {
  if (number == 0 || number > page_count()) throw std::out_of_range("page " + std::to_string(number));
  const uint8_t* p = raw_page(number);
  PageView v;
  v.number = number;
  v.prev = le32(p + 16);
  v.next = le32(p + 20);
  v.objid = le32(p + 24);
  v.free_bytes = le16(p + 28);
  v.flags = le32(p + 36);
  const bool large = page_size_ >= 16384;
  const size_t header = large ? 80 : 40;
  const uint16_t tags = le16(p + 34);
  for (uint16_t i = 0; i < tags; ++i) {
    const uint8_t* t = p + page_size_ - 4 * (i + 1);
    const size_t size = le16(t) & (large ? 0x7FFF : 0x1FFF);
    const size_t off = le16(t + 2) & (large ? 0x7FFF : 0x1FFF);
    if (header + off + size > page_size_) throw std::out_of_range("tag beyond page");
    Bytes value(p + header + off, p + header + off + size);
    uint8_t flags = large ? 0 : uint8_t(le16(t + 2) >> 13);
    if (large && i > 0 && value.size() >= 2) {
      flags = value[1] >> 5;
      value[1] &= 0x1F;
    }
    v.values.push_back(std::move(value));
    v.tag_flags.push_back(flags);
  }
  return v;
}

TreeShape EseFile::walk(uint32_t root, std::vector<std::string>& faults) const {
  TreeShape shape;
  const uint32_t objid = page(root).objid;
  // Breadth-first by levels; each level's pages must also be linked in the same order.
  std::vector<uint32_t> level = {root};
  std::vector<std::pair<Bytes, bool>> bounds = {{{}, true}};  // upper bound per page; true = none
  while (!level.empty()) {
    ++shape.depth;
    shape.pages_per_level.push_back(level.size());
    if (shape.depth > 8) {
      faults.push_back("tree deeper than 8 levels");
      break;
    }
    std::vector<uint32_t> below;
    std::vector<std::pair<Bytes, bool>> below_bounds;
    bool leaf_level = false;
    for (size_t i = 0; i < level.size(); ++i) {
      PageView pg = page(level[i]);
      const std::string at = "page " + std::to_string(pg.number) + ": ";
      if (pg.objid != objid) faults.push_back(at + "wrong FDP objid");
      // Leaves are chained in key order; branch pages carry no sibling links.
      const bool linked = pg.flags & 2;
      const uint32_t want_prev = !linked || i == 0 ? 0 : level[i - 1];
      const uint32_t want_next = !linked || i + 1 == level.size() ? 0 : level[i + 1];
      if (pg.prev != want_prev || pg.next != want_next) faults.push_back(at + "bad sibling links");
      if (((pg.flags & 1) != 0) != (pg.number == root)) faults.push_back(at + "root flag wrong");
      const bool leaf = pg.flags & 2;
      if (i == 0) leaf_level = leaf;
      if (leaf != leaf_level) faults.push_back(at + "mixed leaf and branch pages in one level");
      if (!leaf && !(pg.flags & 4)) faults.push_back(at + "branch page without parent flag");
      Bytes prev_key;
      for (size_t t = 1; t < pg.values.size(); ++t) {
        TreeEntry entry;
        try {
          entry = split_entry(pg, t);
        } catch (const std::out_of_range& e) {
          faults.push_back(at + e.what());
          continue;
        }
        if ((pg.tag_flags[t] & 0x4) && pg.number == root) faults.push_back(at + "common key on a root page");
        Bytes& key = entry.key;
        Bytes& data = entry.data;
        if (!bounds[i].second && !key.empty() && key > bounds[i].first)
          faults.push_back(at + "key above the parent's separator");
        if (leaf) {
          if (t > 1 && !(prev_key < key)) faults.push_back(at + "leaf keys out of order");
          if (!bounds[i].second && !(key < bounds[i].first))
            faults.push_back(at + "leaf key not below its separator");
          shape.leaves.push_back(entry);
        } else {
          if (data.size() != 4) {
            faults.push_back(at + "branch entry data is not a page number");
            continue;
          }
          const bool last = t + 1 == pg.values.size();
          if (key.empty() && !last) faults.push_back(at + "empty key before the last entry");
          if (t > 1 && !key.empty() && !(prev_key < key)) faults.push_back(at + "branch keys out of order");
          below.push_back(le32(data.data()));
          below_bounds.push_back(key.empty() ? bounds[i] : std::make_pair(key, false));
        }
        prev_key = key;
      }
    }
    level = std::move(below);
    bounds = std::move(below_bounds);
  }
  return shape;
}

std::vector<EseFile::CatalogRow> EseFile::catalog(uint32_t root, std::vector<std::string>& faults) const {
  std::vector<CatalogRow> rows;
  for (const TreeEntry& e : walk(root, faults).leaves) {
    const Bytes& r = e.data;
    CatalogRow row;
    row.objid = le32(&r[4]);
    row.type = le16(&r[8]);
    row.id = le32(&r[10]);
    row.coltyp_or_pgno = le32(&r[14]);
    row.flags = le32(&r[22]);
    const size_t var_at = le16(&r[2]);
    const size_t var_count = r[1] >= 128 ? r[1] - 127 : 0;
    size_t start = var_at + 2 * var_count;
    size_t prev_end = 0;
    for (size_t k = 0; k < var_count; ++k) {
      const uint16_t word = le16(&r[var_at + 2 * k]);
      const size_t end = word & 0x7FFF;
      if (!(word & 0x8000)) {
        std::string text(r.begin() + start + prev_end, r.begin() + start + end);
        if (k == 0) row.name = text;
        if (k == 2) row.template_table = text;
      }
      prev_end = end;
    }
    rows.push_back(row);
  }
  return rows;
}

}  // namespace edbgen::testing
