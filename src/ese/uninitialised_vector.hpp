#pragma once
// A vector whose allocator leaves new elements uninitialised, for buffers that are written
// whole straight after they grow: zero-filling them first would only cost time.
#include <memory>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

namespace quorvine::ese {

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

template <class T>
using UninitialisedVector = std::vector<T, UninitialisedAllocator<T>>;

}  // namespace quorvine::ese
