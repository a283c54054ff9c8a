#pragma once
// Cutting a text after the domain endings of the addresses in it (the extractor's ending
// passes), so whatever stuck to a domain falls away.
#include <cstddef>
#include <string>
#include <string_view>

namespace quorvine::decode {

// One pass: "," after each occurrence of `ending` that stands in a domain (an "@" and
// only letters, digits, "_", "." and "-" before it). Once cut, the rest of that domain
// is no longer one.
void cut_after_ending(std::string& text, std::string_view ending);

// The passes of kDomainEndings[first_pass...] one after the other, with the result of
// running cut_after_ending for each in order, in one scan of the text.
void cut_after_domain_endings(std::string& text, size_t first_pass);

}  // namespace quorvine::decode
