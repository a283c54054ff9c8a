#include "edbgen/scenario_model.hpp"

namespace edbgen {
namespace {

void assign_folder(Folder& folder, uint64_t& counter) {
  folder.id = exchange_identifier(counter++);
  for (Message& m : folder.messages) {
    m.id = exchange_identifier(counter++);
    m.attachment_ids.clear();
    for (size_t i = 0; i < m.attachments.size(); ++i)
      m.attachment_ids.push_back(exchange_identifier(counter++));
  }
  for (Folder& child : folder.children) assign_folder(child, counter);
}

}  // namespace

Bytes filler_content(const std::string& name, size_t size) {
  Bytes out;
  out.reserve(size);
  const std::string seed = "Content of " + name + ", line ";
  for (size_t line = 1; out.size() < size; ++line) {
    const std::string text = seed + std::to_string(line) + "\n";
    for (char c : text) {
      if (out.size() == size) break;
      out.push_back(static_cast<uint8_t>(c));
    }
  }
  return out;
}

Bytes random_content(const std::string& name, size_t size) {
  Bytes out(size);
  uint64_t state = 14695981039346656037ULL;  // FNV-1a of the name seeds it
  for (char c : name) state = (state ^ static_cast<uint8_t>(c)) * 1099511628211ULL;
  state |= 1;
  for (size_t i = 0; i < size; ++i) {
    state ^= state << 13;  // xorshift64
    state ^= state >> 7;
    state ^= state << 17;
    out[i] = static_cast<uint8_t>(state >> 32);
  }
  return out;
}

uint64_t exchange_identifier(uint64_t counter) {
  return (uint64_t{0x01} << 56) | (counter & 0xFFFFFFFFFFFFull);
}

uint64_t assign_identifiers(Scenario& scenario, uint64_t first_counter) {
  uint64_t counter = first_counter;
  for (Mailbox& mailbox : scenario.mailboxes) {
    mailbox.root_folder_id = exchange_identifier(counter++);
    for (Folder& f : mailbox.folders) assign_folder(f, counter);
  }
  scenario.public_root_id = exchange_identifier(counter++);
  for (Folder& f : scenario.public_folders) assign_folder(f, counter);
  return counter;
}

}  // namespace edbgen
