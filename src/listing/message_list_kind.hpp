#pragma once
// Item kinds of the message list, mapped from message classes. The three store generations
// use slightly different tables (which classes count as mail or notes, and whether
// "IPM.Configuration.ELC" is hidden), so the table is chosen by the caller.
#include <optional>
#include <string>
#include <string_view>

namespace quorvine::listing {

enum class KindTable {
  Contents2007,  // rows built from a 2003/2007 contents table
  Header2010,    // 2010 message header tables
  Header2013,    // 2013 message tables
};

// The kind text ("mail", "contact", ...), the class text itself for an unknown class, or
// nullopt for a hidden class whose record is left out of the list. Exact, case-sensitive.
std::optional<std::string> message_kind(std::string_view message_class, KindTable table);

bool is_hidden_message_class(std::string_view message_class, KindTable table);

}  // namespace quorvine::listing
