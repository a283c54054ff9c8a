#pragma once
// Values derived from a message that the layouts store in more than one column or table.
#include <string>

#include "edbgen/scenario_model.hpp"

namespace edbgen {

enum class Generation { Ex2007, Ex2010, Ex2013 };
const char* generation_name(Generation g);  // "2007", "2010", "2013"

// "Name <address>" (or either part alone) of a sender or recipient.
std::string mailbox_text(const std::string& name, const std::string& address);

// The transport headers (CR LF lines, ASCII; non-ASCII words RFC 2047-encoded): From,
// To, Cc, Bcc, Subject, Date, Message-ID, MIME-Version, then the scenario's own lines.
std::string transport_headers(const Message& m);

// Display names of the To recipients joined by "; " (addresses where a name is missing).
std::string display_to(const Message& m);

// 2013 blobs: every recipient as UTF-16 "Name <address>; ", and the attachment summary
// (count, then per attachment its size and UTF-16 name with a terminator).
Bytes recipient_list_blob(const Message& m);
Bytes subobjects_blob(const Message& m);

// The message's attachment identifiers, 8 bytes each, one after the other.
Bytes attachment_id_list(const Message& m);

std::string subject_with_prefix(const Message& m);

}  // namespace edbgen
