// Asking for a buffer's pages ahead leaves every byte as it was.
#include "base/prefault.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace kornmill {
namespace {

// Asking for pages ahead changes nothing they hold, whatever the range: an
// unaligned start and end, less than a page, nothing at all.
TEST(Prefault, KeepsEveryByteOfAnyRange) {
  std::vector<uint8_t> bytes(5 * 4096 + 123);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = uint8_t(i * 7 + 1);
  const std::vector<uint8_t> before = bytes;
  PrefaultForWriting(bytes.data() + 3, bytes.size() - 10);
  PrefaultForWriting(bytes.data() + 100, 50);
  PrefaultForWriting(bytes.data(), 0);
  PrefaultForWriting(nullptr, 4096);
  EXPECT_EQ(bytes, before);
}

}  // namespace
}  // namespace kornmill
