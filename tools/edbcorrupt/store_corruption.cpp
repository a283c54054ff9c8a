#include "edbcorrupt/store_corruption.hpp"

#include <algorithm>
#include <array>
#include <functional>
#include <random>
#include <span>
#include <stdexcept>

#include "edbgen/ese_bytes.hpp"
#include "edbgen/ese_checksum.hpp"

namespace edbcorrupt {

namespace {

using edbgen::ese::load_le16;
using edbgen::ese::load_le32;
using edbgen::ese::store_le16;
using edbgen::ese::store_le32;

constexpr uint32_t kFlagLeaf = 0x2;
constexpr uint32_t kFlagEmpty = 0x8;
constexpr uint32_t kFlagSpaceTree = 0x20;
constexpr uint32_t kFlagLongValue = 0x80;

constexpr uint32_t kCatalogRoot = 4;
constexpr uint32_t kShadowCatalogRoot = 24;
constexpr uint32_t kCatalogObjid = 2;
constexpr uint32_t kShadowCatalogObjid = 3;
// The header fields a reader interprets; the rest of the header page is zero.
constexpr size_t kHeaderFieldBytes = 668;

class Image {
 public:
  explicit Image(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {
    if (bytes_.size() < 240) throw std::runtime_error("store too small for a header");
    page_size_ = load_le32(&bytes_[236]);
    if (page_size_ != 4096 && page_size_ != 8192 && page_size_ != 16384 && page_size_ != 32768)
      throw std::runtime_error("header names no valid page size");
    if (bytes_.size() < 3 * size_t(page_size_)) throw std::runtime_error("store holds no page");
  }

  std::vector<uint8_t>& bytes() { return bytes_; }
  uint32_t page_size() const { return page_size_; }
  size_t page_header_size() const { return page_size_ >= 16384 ? 80 : 40; }
  uint32_t page_count() const { return uint32_t(bytes_.size() / page_size_ - 2); }

  std::span<uint8_t> page(uint32_t number) {
    return std::span(bytes_).subspan((size_t(number) + 1) * page_size_, page_size_);
  }
  bool page_in_use(uint32_t number) {
    auto p = page(number);
    return std::any_of(p.begin(), p.begin() + 40, [](uint8_t b) { return b != 0; });
  }
  uint32_t page_objid(uint32_t number) { return load_le32(&page(number)[24]); }
  uint32_t page_flags(uint32_t number) { return load_le32(&page(number)[36]); }
  uint32_t tag_count(uint32_t number) {
    return std::min<uint32_t>(load_le16(&page(number)[34]) & 0x0FFF, uint32_t((page_size_ - page_header_size()) / 4));
  }
  uint16_t tag_mask() const { return page_size_ >= 16384 ? 0x7FFF : 0x1FFF; }
  // Tag i's value as (offset in the page, size), clipped to the page.
  std::pair<size_t, size_t> tag_value(uint32_t number, uint32_t i) {
    auto p = page(number);
    const size_t at = p.size() - 4 * (size_t(i) + 1);
    const size_t size = load_le16(&p[at]) & tag_mask();
    const size_t offset = page_header_size() + (load_le16(&p[at + 2]) & tag_mask());
    if (offset >= p.size()) return {p.size(), 0};
    return {offset, std::min(size, p.size() - offset)};
  }
  void seal(uint32_t number) { edbgen::ese::seal_page(page(number), number); }

 private:
  std::vector<uint8_t> bytes_;
  uint32_t page_size_ = 0;
};

class Damager {
 public:
  Damager(Image& image, uint64_t seed) : image_(image), rng_(seed) {}

  uint64_t below(uint64_t n) { return std::uniform_int_distribution<uint64_t>(0, n - 1)(rng_); }

  uint32_t any_used_page() {
    std::vector<uint32_t> used;
    for (uint32_t n = 1; n <= image_.page_count(); ++n)
      if (image_.page_in_use(n)) used.push_back(n);
    if (used.empty()) throw std::runtime_error("store has no page in use");
    return used[below(used.size())];
  }

  // Flips 1-8 bytes where a reader looks: page header fields, the value area or the tag
  // array. Free space in the middle of a page would mostly go unnoticed.
  std::string flip_page(uint32_t number) {
    auto page = image_.page(number);
    const size_t header = image_.page_header_size();
    const uint32_t tag_count = edbgen::ese::load_le16(&page[34]) & 0x0FFF;
    const size_t value_end = std::min<size_t>(page.size(), header + edbgen::ese::load_le16(&page[32]));
    const size_t tags_begin = page.size() - std::min<size_t>(page.size() - header, 4 * size_t(tag_count));
    const size_t flips = 1 + below(8);
    std::string where;
    for (size_t i = 0; i < flips; ++i) {
      size_t offset = 0;
      switch (below(4)) {
        case 0: offset = 8 + below(32); break;  // time stamp, siblings, objid, sizes, flags
        case 1: offset = tags_begin < page.size() ? tags_begin + below(page.size() - tags_begin)
                                                  : header + below(page.size() - header); break;
        default: offset = header + below(std::max<size_t>(1, value_end - header)); break;
      }
      const uint8_t mask = uint8_t(1 + below(255));
      page[offset] ^= mask;
      where += (where.empty() ? "" : ",") + std::to_string(offset);
    }
    return std::to_string(flips) + " byte(s) of page " + std::to_string(number) + " at " + where;
  }

  std::string zero_page(uint32_t number) {
    auto page = image_.page(number);
    std::fill(page.begin(), page.end(), uint8_t(0));
    return "page " + std::to_string(number) + " zeroed";
  }

  std::string copy_page(uint32_t from, uint32_t to) {
    auto source = image_.page(from);
    std::copy(source.begin(), source.end(), image_.page(to).begin());
    image_.seal(to);
    return "page " + std::to_string(from) + " copied over page " + std::to_string(to);
  }

  uint32_t other_used_page(uint32_t not_this) {
    for (int attempt = 0; attempt < 64; ++attempt) {
      const uint32_t n = any_used_page();
      if (n != not_this) return n;
    }
    throw std::runtime_error("store has a single page in use");
  }

  std::string catalog() {
    std::vector<uint32_t> pages;
    for (uint32_t n = 1; n <= image_.page_count(); ++n) {
      if (!image_.page_in_use(n)) continue;
      const uint32_t objid = image_.page_objid(n);
      if (n == kCatalogRoot || n == kShadowCatalogRoot || objid == kCatalogObjid ||
          objid == kShadowCatalogObjid)
        pages.push_back(n);
    }
    if (pages.empty()) throw std::runtime_error("store has no catalog page");
    // The live catalog is the one a reader reads first; damage it more often.
    const uint32_t target = below(3) == 0 ? pages[below(pages.size())] : kCatalogRoot;
    if (target > image_.page_count()) throw std::runtime_error("store has no catalog root");
    const uint64_t kind = below(10);
    if (kind < 6) {
      std::string what = flip_page(target);
      image_.seal(target);
      return "catalog: " + what + ", resealed";
    }
    if (kind < 8) return "catalog: " + zero_page(target);
    return "catalog: " + copy_page(other_used_page(target), target);
  }

  std::string header() {
    auto& bytes = image_.bytes();
    const size_t size = image_.page_size();
    const size_t flips = 1 + below(4);
    const bool shadow_too = below(4) != 0;
    const bool reseal = below(4) != 0;
    std::string where;
    for (size_t i = 0; i < flips; ++i) {
      const size_t offset = 4 + below(kHeaderFieldBytes - 4);
      const uint8_t mask = uint8_t(1 + below(255));
      bytes[offset] ^= mask;
      if (shadow_too) bytes[size + offset] ^= mask;
      where += (where.empty() ? "" : ",") + std::to_string(offset);
    }
    if (reseal) {
      for (size_t copy = 0; copy < (shadow_too ? 2u : 1u); ++copy) {
        auto block = std::span(bytes).subspan(copy * size, size);
        store_le32(&block[0], edbgen::ese::header_checksum(block));
      }
    }
    return "header: " + std::to_string(flips) + " byte(s) at " + where + (shadow_too ? " and shadow" : "") +
           (reseal ? ", resealed" : "");
  }

  // In-use pages whose flags and tree fit; the targets' pages first when there are any.
  std::vector<uint32_t> pages_where(const std::function<bool(uint32_t flags)>& fits, const Targets& targets) {
    std::vector<uint32_t> aimed, any;
    for (uint32_t n = 1; n <= image_.page_count(); ++n) {
      if (!image_.page_in_use(n)) continue;
      const uint32_t flags = image_.page_flags(n);
      if (flags == 0xFFFFFFFF || (flags & kFlagEmpty) || (flags & kFlagSpaceTree) || !fits(flags)) continue;
      if (image_.tag_count(n) < 2) continue;
      any.push_back(n);
      if (std::find(targets.object_ids.begin(), targets.object_ids.end(), image_.page_objid(n)) !=
          targets.object_ids.end())
        aimed.push_back(n);
    }
    return targets.object_ids.empty() ? any : aimed;
  }

  uint32_t pick(const std::vector<uint32_t>& pages, std::string_view what) {
    if (pages.empty()) throw std::runtime_error("store has no " + std::string(what));
    return pages[below(pages.size())];
  }

  // Flips 1-4 bytes inside the value of one entry (tag 1 on) of page `number`.
  std::string flip_entry(uint32_t number) {
    const uint32_t tag = 1 + uint32_t(below(image_.tag_count(number) - 1));
    auto [offset, size] = image_.tag_value(number, tag);
    if (size == 0) return "page " + std::to_string(number) + " entry " + std::to_string(tag) + " is empty; nothing";
    auto page = image_.page(number);
    const size_t flips = 1 + below(4);
    std::string where;
    for (size_t i = 0; i < flips; ++i) {
      const size_t at = offset + below(size);
      page[at] ^= uint8_t(1 + below(255));
      where += (where.empty() ? "" : ",") + std::to_string(at);
    }
    image_.seal(number);
    return std::to_string(flips) + " byte(s) of entry " + std::to_string(tag) + " of page " + std::to_string(number) +
           " at " + where + ", resealed";
  }

  std::string huge_tag(uint32_t number) {
    auto page = image_.page(number);
    const uint32_t tag = uint32_t(below(image_.tag_count(number)));
    const size_t at = page.size() - 4 * (size_t(tag) + 1);
    const bool size_word = below(2) == 0;
    const uint16_t word = load_le16(&page[at + (size_word ? 0 : 2)]);
    store_le16(&page[at + (size_word ? 0 : 2)], uint16_t((word & ~image_.tag_mask()) | image_.tag_mask()));
    image_.seal(number);
    return std::string("the ") + (size_word ? "size" : "offset") + " of tag " + std::to_string(tag) + " of page " +
           std::to_string(number) + " set to its largest value, resealed";
  }

  // A branch entry's child page (its value's last 4 bytes) set to the page itself or its tree's
  // first page; on a leaf the next-sibling link pointed back at the page.
  std::string cycle(const std::vector<uint32_t>& branches, const std::vector<uint32_t>& leaves) {
    if (!branches.empty() && (leaves.empty() || below(3) != 0)) {
      const uint32_t number = pick(branches, "branch page");
      const uint32_t tag = 1 + uint32_t(below(image_.tag_count(number) - 1));
      auto [offset, size] = image_.tag_value(number, tag);
      if (size < 4) return "branch page " + std::to_string(number) + " entry " + std::to_string(tag) + " too short; nothing";
      uint32_t target = number;
      if (below(2) == 0)  // the tree's lowest-numbered page, usually its root
        for (uint32_t n = 1; n < number; ++n)
          if (image_.page_in_use(n) && image_.page_objid(n) == image_.page_objid(number)) {
            target = n;
            break;
          }
      store_le32(&image_.page(number)[offset + size - 4], target);
      image_.seal(number);
      return "child of entry " + std::to_string(tag) + " of branch page " + std::to_string(number) + " set to page " +
             std::to_string(target) + ", resealed";
    }
    const uint32_t number = pick(leaves, "leaf page");
    store_le32(&image_.page(number)[20], number);
    image_.seal(number);
    return "next sibling of leaf page " + std::to_string(number) + " set to itself, resealed";
  }

  std::string truncate_at_page(uint64_t seed) {
    auto& bytes = image_.bytes();
    const size_t keep = size_t(seed % image_.page_count());
    bytes.resize((keep + 2) * size_t(image_.page_size()));
    return "truncated to " + std::to_string(bytes.size()) + " bytes (" + std::to_string(keep) + " pages kept)";
  }

  std::string truncate() {
    auto& bytes = image_.bytes();
    // Half the cuts land on a page boundary, which keeps the remaining pages whole.
    size_t length = below(bytes.size());
    if (below(2) == 0) length -= length % image_.page_size();
    bytes.resize(length);
    return "truncated to " + std::to_string(length) + " bytes";
  }

 private:
  Image& image_;
  std::mt19937_64 rng_;
};

constexpr std::array<std::pair<std::string_view, Mode>, 13> kModes{{
    {"flip", Mode::Flip},
    {"flip-raw", Mode::FlipRaw},
    {"truncate", Mode::Truncate},
    {"zero-page", Mode::ZeroPage},
    {"swap-pages", Mode::SwapPages},
    {"copy-page", Mode::CopyPage},
    {"catalog", Mode::Catalog},
    {"header", Mode::Header},
    {"truncate-page", Mode::TruncatePage},
    {"record", Mode::Record},
    {"long-value", Mode::LongValue},
    {"huge-tag", Mode::HugeTag},
    {"cycle", Mode::Cycle},
}};

}  // namespace

std::optional<Mode> parse_mode(std::string_view name) {
  for (const auto& [text, mode] : kModes)
    if (text == name) return mode;
  return std::nullopt;
}

const std::vector<std::string_view>& mode_names() {
  static const std::vector<std::string_view> names = [] {
    std::vector<std::string_view> v;
    for (const auto& entry : kModes) v.push_back(entry.first);
    return v;
  }();
  return names;
}

Damage corrupt(std::vector<uint8_t> store, Mode mode, uint64_t seed, const Targets& targets) {
  Image image(std::move(store));
  Damager damager(image, seed);
  std::string description;
  switch (mode) {
    case Mode::Flip: {
      const uint32_t n = damager.any_used_page();
      description = damager.flip_page(n) + ", resealed";
      image.seal(n);
      break;
    }
    case Mode::FlipRaw:
      description = damager.flip_page(damager.any_used_page());
      break;
    case Mode::Truncate:
      description = damager.truncate();
      break;
    case Mode::ZeroPage:
      description = damager.zero_page(damager.any_used_page());
      break;
    case Mode::SwapPages: {
      const uint32_t a = damager.any_used_page();
      const uint32_t b = damager.other_used_page(a);
      std::swap_ranges(image.page(a).begin(), image.page(a).end(), image.page(b).begin());
      image.seal(a);
      image.seal(b);
      description = "pages " + std::to_string(a) + " and " + std::to_string(b) + " swapped, resealed";
      break;
    }
    case Mode::CopyPage: {
      const uint32_t to = damager.any_used_page();
      description = damager.copy_page(damager.other_used_page(to), to);
      break;
    }
    case Mode::Catalog:
      description = damager.catalog();
      break;
    case Mode::Header:
      description = damager.header();
      break;
    case Mode::TruncatePage:
      description = damager.truncate_at_page(seed);
      break;
    case Mode::Record: {
      const auto leaves = damager.pages_where([](uint32_t f) { return (f & kFlagLeaf) && !(f & kFlagLongValue); }, targets);
      description = "record: " + damager.flip_entry(damager.pick(leaves, "record page of the target tables"));
      break;
    }
    case Mode::LongValue: {
      const auto pages = damager.pages_where([](uint32_t f) { return (f & kFlagLongValue) != 0; }, {});
      description = "long value: " + damager.flip_entry(damager.pick(pages, "long-value page"));
      break;
    }
    case Mode::HugeTag: {
      const auto pages = damager.pages_where([](uint32_t) { return true; }, targets);
      description = damager.huge_tag(damager.pick(pages, "page of the target tables"));
      break;
    }
    case Mode::Cycle: {
      const auto branches = damager.pages_where([](uint32_t f) { return !(f & kFlagLeaf); }, targets);
      const auto leaves = damager.pages_where([](uint32_t f) { return (f & kFlagLeaf) != 0; }, targets);
      description = damager.cycle(branches, leaves);
      break;
    }
  }
  return {std::move(image.bytes()), std::move(description)};
}

}  // namespace edbcorrupt
