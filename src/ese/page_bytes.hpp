#pragma once
// The buffer a page is read into. Its allocator leaves new bytes uninitialised: the read fills
// the whole page straight after (a short read is refused), so zero-filling it first would only
// cost time.
#include <cstdint>
#include <memory>
#include <new>
#include <utility>
#include <vector>

namespace quorvine::ese::detail {

template <class T>
struct UninitialisedAllocator : std::allocator<T> {
  template <class U>
  struct rebind {
    using other = UninitialisedAllocator<U>;
  };
  UninitialisedAllocator() = default;
  template <class U>
  UninitialisedAllocator(const UninitialisedAllocator<U>&) noexcept {}

  template <class U>
  void construct(U* at) noexcept(std::is_nothrow_default_constructible_v<U>) {
    ::new (static_cast<void*>(at)) U;
  }
  template <class U, class... Args>
  void construct(U* at, Args&&... args) {
    ::new (static_cast<void*>(at)) U(std::forward<Args>(args)...);
  }
};

using PageBytes = std::vector<uint8_t, UninitialisedAllocator<uint8_t>>;

}  // namespace quorvine::ese::detail
