// An allocator for buffers that start on a cache line, so that threads writing
// neighbouring stretches of one buffer never share a line at a stretch boundary.
#pragma once

#include <cstddef>
#include <new>
#include <vector>

namespace kornmill {

inline constexpr size_t kCacheLine = 64;

template <class T>
struct CacheLineAllocator {
  using value_type = T;
  CacheLineAllocator() = default;
  template <class U>
  CacheLineAllocator(const CacheLineAllocator<U>&) {}
  T* allocate(size_t n) {
    return static_cast<T*>(::operator new(n * sizeof(T), std::align_val_t{kCacheLine}));
  }
  void deallocate(T* p, size_t) { ::operator delete(p, std::align_val_t{kCacheLine}); }
  template <class U>
  bool operator==(const CacheLineAllocator<U>&) const {
    return true;
  }
};

template <class T>
using CacheLineVector = std::vector<T, CacheLineAllocator<T>>;

}  // namespace kornmill
