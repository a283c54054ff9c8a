#pragma once
// Identifier bytes as Exchange stores them and the texts readers make of them: used to
// name per-folder tables and to compute the manifest independently of any reader.
#include <cstdint>
#include <string>

#include "edbgen/exchange_text.hpp"

namespace edbgen {

// The 8 stored bytes of an identifier: the value big-endian.
Bytes identifier_bytes(uint64_t value);
// Lowercase hex of the value read big-endian, without leading zeros ("0" for zero).
std::string identifier_text(uint64_t value);
// The replica-counter form of format revision 17: "<replica>-<COUNTER>".
std::string replica_counter_text(uint64_t value);

// Name of a 2003/2007 contents table, "1-" and hex digits, whose fixed-width key equals
// the folder's identifier text in upper case. Throws std::invalid_argument for an
// identifier whose text is not 15 digits long.
std::string contents_table_name(uint64_t folder_id);
// The key a reader builds from such a name ("" when the name does not split in two).
std::string folder_key(const std::string& table_name);

// 26-byte folder identifiers of 2013 folder tables.
Bytes folder_id_2013(uint64_t mailbox_number, uint64_t folder_id);
Bytes empty_folder_id_2013();

}  // namespace edbgen
