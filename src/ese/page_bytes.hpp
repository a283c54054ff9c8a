#pragma once
// The buffer a page is read into, left uninitialised: the read fills the whole page straight
// after (a short read is refused).
#include <cstdint>

#include "ese/uninitialised_vector.hpp"

namespace quorvine::ese::detail {

using PageBytes = UninitialisedVector<uint8_t>;

}  // namespace quorvine::ese::detail
