#pragma once
// A structural check of a page before libesedb parses it. libesedb 20181229 trusts tag
// offsets, key sizes and record headers (for instance a record's variable-data offset) and
// reads past its page buffer when they point outside; a page whose checksum is right but
// whose structure is not must be refused like a page whose checksum fails.
#include <cstdint>
#include <span>

#include "ese/page_reader.hpp"

namespace quorvine::ese::detail {

// Null when the page holds together (a page never written has no tags and does), else why it does not: every
// tag inside the value area, keys within their entries and the common key, branch entries
// long enough for a child page number, and records of table leaf pages whose fixed,
// variable and tagged areas lie inside the record.
const char* page_structure_fault(std::span<const uint8_t> page, const PageLayout& layout);

}  // namespace quorvine::ese::detail
