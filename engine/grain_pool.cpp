// The grain pool: records in blocks of 64, an active list and a free list.
#include <memory>
#include <new>
#include <type_traits>

#include "base/prefault.h"
#include "engine/grain.h"

namespace kornmill {

static_assert(std::is_trivially_destructible_v<Grain>, "records are freed without destroying them");

void GrainPool::FreeRecords::operator()(Grain* records) const {
  ::operator delete(records, std::align_val_t{alignof(Grain)});
}

GrainPool::GrainPool() {
  AddBlocks(1);
}

void GrainPool::AddBlocks(int count) {
  const size_t n = static_cast<size_t>(count) * kBlockSize;
  void* memory = ::operator new(n * sizeof(Grain), std::align_val_t{alignof(Grain)});
  PrefaultForWriting(memory, n * sizeof(Grain));
  Grain* first = static_cast<Grain*>(memory);
  std::uninitialized_value_construct_n(first, n);
  pieces_.push_back(Records(first));  // kept (or, should this throw, freed) before it is linked
  for (size_t i = 0; i + 1 < n; ++i) first[i].free_link = &first[i + 1];
  if (!header_) {
    // The first record of the first block is the list header; that block gives 63 grains.
    header_ = first;
    free_ += static_cast<int>(n) - 1;
  } else {
    first[n - 1].free_link = header_->free_link;
    header_->free_link = first;
    free_ += static_cast<int>(n);
  }
  blocks_ += count;
}

void GrainPool::Reserve(int n) {
  if (free_ < n) AddBlocks((n - free_ + kBlockSize - 1) / kBlockSize);
}

Grain* GrainPool::AllocGrain() {
  Grain* g = header_->free_link;
  if (!g) return nullptr;
  header_->free_link = g->free_link;
  --free_;
  g->free_link = nullptr;
  g->next = header_->next;
  header_->next = g;
  return g;
}

void GrainPool::Release(Grain* prev, Grain* g) {
  prev->next = g->next;
  g->next = nullptr;
  g->free_link = header_->free_link;
  header_->free_link = g;
  ++free_;
}

}  // namespace kornmill
