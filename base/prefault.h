// Asking for a buffer's pages in one go, before it is filled.
#pragma once

#include <cstddef>
#include <cstdint>
#if defined(__linux__)
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace kornmill {

// Asks the system to give the whole pages of [p, p + bytes) their memory now,
// writable, in one call rather than one page fault at a time, for a buffer that
// is about to be written from end to end. Where it cannot (a kernel older than
// 5.14, another system), the pages come at first touch as usual. Changes no byte.
inline void PrefaultForWriting(void* p, size_t bytes) noexcept {
#if defined(__linux__) && defined(MADV_POPULATE_WRITE)
  const long page = ::sysconf(_SC_PAGESIZE);
  const uintptr_t start = reinterpret_cast<uintptr_t>(p);
  const uintptr_t unit = page > 0 ? static_cast<uintptr_t>(page) : 4096;
  if (p == nullptr || bytes > UINTPTR_MAX - start || start > UINTPTR_MAX - unit) return;
  const uintptr_t begin = (start + unit - 1) / unit * unit;
  const uintptr_t end = (start + bytes) / unit * unit;
  if (end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE);
#else
  (void)p;
  (void)bytes;
#endif
}

}  // namespace kornmill
