// The grain pool: records in blocks of 64, an active list and a free list.
#include "engine/grain.h"

namespace kornmill {

GrainPool::GrainPool() {
  auto block = std::make_unique<Grain[]>(kBlockSize);
  // The first record of the first block is the list header; that block gives 63 grains.
  header_ = &block[0];
  for (int i = 1; i < kBlockSize - 1; ++i) block[i].free_link = &block[i + 1];
  header_->free_link = &block[1];
  free_ = kBlockSize - 1;
  blocks_.push_back(std::move(block));
}

void GrainPool::AddBlock() {
  auto block = std::make_unique<Grain[]>(kBlockSize);
  for (int i = 0; i < kBlockSize - 1; ++i) block[i].free_link = &block[i + 1];
  block[kBlockSize - 1].free_link = header_->free_link;
  header_->free_link = &block[0];
  free_ += kBlockSize;
  blocks_.push_back(std::move(block));
}

void GrainPool::Reserve(int n) {
  while (free_ < n) AddBlock();
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
