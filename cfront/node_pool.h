#pragma once
#include <algorithm>
#include <cstddef>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

namespace kz::cfront {

// Objects handed out one by one and taken back all at once, in blocks that are kept for reuse:
// handing one out constructs it in the next free place of the current block.
template <typename T, std::size_t blockItems = 512>
class Pool {
 public:
  static constexpr std::size_t kBlockItems = blockItems;

  Pool() = default;
  Pool(const Pool&) = delete;
  Pool& operator=(const Pool&) = delete;
  ~Pool() { reset(); }

  template <typename... Arguments>
  T* make(Arguments&&... arguments) {
    if (next_ == blockEnd_) nextBlock();
    return std::construct_at(next_++, std::forward<Arguments>(arguments)...);
  }
  void reset() {
    if constexpr (!std::is_trivially_destructible_v<T>) {
      for (std::size_t at = 0; at < inUse_; ++at) {
        T* first = items(at);
        std::destroy(first, at + 1 == inUse_ ? next_ : first + blocks_[at].items);
      }
    }
    inUse_ = 0;
    next_ = blockEnd_ = nullptr;
  }

 private:
  struct alignas(T) Place {
    std::byte bytes[sizeof(T)];
  };
  struct Block {
    std::unique_ptr<Place[]> places;
    std::size_t items;
  };
  // The first blocks are smaller, each twice the one before, so that a short run takes little
  // memory and none of it from the heap's zone of large blocks.
  static constexpr std::size_t kFirstBlockItems = kBlockItems / 4 > 0 ? kBlockItems / 4 : 1;

  T* items(std::size_t block) {
    return std::launder(reinterpret_cast<T*>(blocks_[block].places.get()));
  }
  [[gnu::noinline]] void nextBlock() {
    if (inUse_ == blocks_.size()) {
      std::size_t count =
          blocks_.empty() ? kFirstBlockItems : std::min(kBlockItems, 2 * blocks_.back().items);
      blocks_.push_back({std::make_unique_for_overwrite<Place[]>(count), count});
    }
    next_ = items(inUse_);
    blockEnd_ = next_ + blocks_[inUse_++].items;
  }

  std::vector<Block> blocks_;
  std::size_t inUse_ = 0;  // blocks handed out from since the last reset
  T* next_ = nullptr;
  T* blockEnd_ = nullptr;
};

// Runs of pointers, each contiguous, handed out one run at a time and taken back all at once;
// the blocks are kept for reuse. A run longer than a block gets a block of its own size.
template <typename T>
class PointerRuns {
 public:
  static constexpr std::size_t kBlockPointers = 1024;

  PointerRuns() = default;
  PointerRuns(const PointerRuns&) = delete;
  PointerRuns& operator=(const PointerRuns&) = delete;

  T** take(std::size_t count) {
    if (static_cast<std::size_t>(blockEnd_ - next_) < count) nextBlock(count);
    T** run = next_;
    next_ += count;
    return run;
  }
  void reset() {
    inUse_ = 0;
    next_ = blockEnd_ = nullptr;
  }

 private:
  struct Block {
    std::unique_ptr<T*[]> pointers;
    std::size_t size;
  };
  [[gnu::noinline]] void nextBlock(std::size_t count) {
    // A block too small for this run stays where it is, for the runs after the next reset.
    while (inUse_ < blocks_.size() && blocks_[inUse_].size < count) ++inUse_;
    if (inUse_ == blocks_.size()) {
      std::size_t size = std::max(kBlockPointers, count);
      blocks_.push_back({std::make_unique_for_overwrite<T*[]>(size), size});
    }
    next_ = blocks_[inUse_].pointers.get();
    blockEnd_ = next_ + blocks_[inUse_++].size;
  }

  std::vector<Block> blocks_;
  std::size_t inUse_ = 0;
  T** next_ = nullptr;
  T** blockEnd_ = nullptr;
};

}  // namespace kz::cfront
