#include "listing/packed_rows.hpp"

#include <array>
#include <stdexcept>

namespace quorvine::render {
namespace {

using Row = scan::MessageListRow;
constexpr std::array<std::string Row::*, 11> kFields = {
    &Row::message_id, &Row::kind, &Row::mail_number, &Row::key, &Row::from, &Row::subject,
    &Row::date,       &Row::attachment, &Row::to,    &Row::cc,  &Row::bcc};

void put_length(std::string& out, size_t length) {
  do {
    unsigned char byte = length & 0x7f;
    length >>= 7;
    if (length) byte |= 0x80;
    out.push_back(static_cast<char>(byte));
  } while (length);
}

size_t take_length(const std::string& in, size_t& at) {
  size_t length = 0;
  for (unsigned shift = 0; at < in.size() && shift < 64; shift += 7) {
    const auto byte = static_cast<unsigned char>(in[at++]);
    length |= static_cast<size_t>(byte & 0x7f) << shift;
    if (!(byte & 0x80)) return length;
  }
  throw std::logic_error("a packed row is cut short");
}

}  // namespace

void PackedRows::push_back(const Row& row) {
  size_t total = 0;
  for (auto field : kFields) total += (row.*field).size() + 2;
  std::string packed;
  packed.reserve(total);
  for (auto field : kFields) {
    put_length(packed, (row.*field).size());
    packed += row.*field;
  }
  packed.shrink_to_fit();
  packed_.push_back(std::move(packed));
}

Row PackedRows::at(size_t index) const {
  const std::string& packed = packed_.at(index);
  Row row;
  size_t at = 0;
  for (auto field : kFields) {
    const size_t length = take_length(packed, at);
    if (length > packed.size() - at) throw std::logic_error("a packed row is cut short");
    (row.*field).assign(packed, at, length);
    at += length;
  }
  return row;
}

}  // namespace quorvine::render
