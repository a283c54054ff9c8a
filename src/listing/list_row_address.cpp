#include "listing/list_row_address.hpp"

#include "decode/address_extraction.hpp"

namespace quorvine::render {

std::string extract_addresses(const std::string& text) { return decode::extractemailid(text); }
bool email_looks_valid(const std::string& text) { return decode::spc_email_isvalid(text) == 1; }
std::string close_up_spaces(const std::string& text) { return decode::textreplace(text); }

}  // namespace quorvine::render
