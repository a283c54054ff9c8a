#include "listing/packed_rows.hpp"

#include <array>
#include <stdexcept>

namespace quorvine::listing {
namespace {

using Row = MessageListRow;
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

void put_text(std::string& out, const std::string& text) {
  put_length(out, text.size());
  out += text;
}

std::string take_text(const std::string& in, size_t& at) {
  const size_t length = take_length(in, at);
  if (length > in.size() - at) throw std::logic_error("a packed row is cut short");
  std::string text = in.substr(at, length);
  at += length;
  return text;
}

}  // namespace

// The eleven columns, the sender's name and address, and the stored time (a length of 0 or
// 8 bytes).
void PackedRows::push_back(const Row& row) {
  size_t total = row.sender.name.size() + row.sender.address.size() + 16;
  for (auto field : kFields) total += (row.*field).size() + 2;
  std::string packed;
  packed.reserve(total);
  for (auto field : kFields) put_text(packed, row.*field);
  put_text(packed, row.sender.name);
  put_text(packed, row.sender.address);
  std::string time;
  for (int i = 0; row.stored_time && i < 8; ++i) time.push_back(static_cast<char>(*row.stored_time >> (8 * i)));
  put_text(packed, time);
  packed.shrink_to_fit();
  packed_.push_back(std::move(packed));
}

Row PackedRows::at(size_t index) const {
  const std::string& packed = packed_.at(index);
  Row row;
  size_t at = 0;
  for (auto field : kFields) row.*field = take_text(packed, at);
  row.sender.name = take_text(packed, at);
  row.sender.address = take_text(packed, at);
  const std::string time = take_text(packed, at);
  if (time.size() == 8) {
    uint64_t value = 0;
    for (int i = 0; i < 8; ++i) value |= static_cast<uint64_t>(static_cast<unsigned char>(time[i])) << (8 * i);
    row.stored_time = value;
  }
  return row;
}

}  // namespace quorvine::listing
