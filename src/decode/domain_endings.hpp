#pragma once
// The domain endings after which the address extractor cuts a text, in order of application.
#include <array>
#include <cstddef>
#include <string_view>

namespace quorvine::decode {

inline constexpr size_t kDomainEndingCount = 472;
extern const std::array<std::string_view, kDomainEndingCount> kDomainEndings;

}  // namespace quorvine::decode
