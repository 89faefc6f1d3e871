#include "common/page_warmer.h"

#include <signal.h>
#include <sys/mman.h>

#include <algorithm>
#include <cerrno>
#include <limits>

#ifndef MADV_POPULATE_WRITE
#define MADV_POPULATE_WRITE 23  // Linux 5.14
#endif

namespace kz::heap {
namespace {

constexpr std::uintptr_t kNever = std::numeric_limits<std::uintptr_t>::max();
constexpr std::size_t kThreadStack = std::size_t{64} << 10;

std::uintptr_t roundDown(std::uintptr_t value, std::size_t multiple) {
  return value & ~(std::uintptr_t{multiple} - 1);
}

// Faults the pages in as if written; false when the system cannot.
bool populate(std::uintptr_t from, std::uintptr_t to) {
  while (::madvise(reinterpret_cast<void*>(from), to - from, MADV_POPULATE_WRITE) != 0) {
    if (errno != EINTR && errno != EAGAIN) return false;
  }
  return true;
}

}  // namespace

PageWarmer::~PageWarmer() { stop(); }

void PageWarmer::stop() {
  {
    std::unique_lock held(lock_);
    if (!started_ || stopping_) return;
    stopping_ = true;
    wake_.notify_one();
  }
  pthread_join(thread_, nullptr);
}

void PageWarmer::setRange(int index, std::uintptr_t begin, std::uintptr_t end) {
  std::unique_lock held(lock_);
  ranges_[index] = {begin, end, begin, begin};
}

std::uintptr_t PageWarmer::reached(int index, std::uintptr_t used) {
  std::unique_lock held(lock_);
  Range& range = ranges_[index];
  if (stopped_ || stopping_) return kNever;
  if (!started_) {
    if (used < range.begin + kStartAfter) return range.begin + kStartAfter;
    if (!start()) {
      stopped_ = true;
      return kNever;
    }
  }
  std::uintptr_t wanted = std::min(roundDown(used, kStep) + kStep + kAhead, range.end);
  if (wanted > range.wanted) {
    range.wanted = wanted;
    wake_.notify_one();
  }
  // Told again once use enters the page kept ready.
  return range.wanted == range.end ? kNever : range.wanted - kAhead;
}

std::uintptr_t PageWarmer::populatedUpTo(int index) {
  std::unique_lock held(lock_);
  return ranges_[index].done;
}

bool PageWarmer::working() {
  std::unique_lock held(lock_);
  return started_ && !stopped_ && !stopping_;
}

void PageWarmer::waitUntilIdle() {
  std::unique_lock held(lock_);
  while (started_ && !stopped_ && !stopping_) {
    int index = 0;
    std::uintptr_t from = 0;
    std::uintptr_t to = 0;
    if (!populating_ && !nextStep(index, from, to)) return;
    idle_.wait(held);
  }
}

// The thread takes no signal: they stay with the program's own threads.
bool PageWarmer::start() {
  pthread_attr_t attributes;
  if (pthread_attr_init(&attributes) != 0) return false;
  pthread_attr_setstacksize(&attributes, kThreadStack);
  sigset_t all;
  sigset_t before;
  sigfillset(&all);
  pthread_sigmask(SIG_SETMASK, &all, &before);
  started_ = pthread_create(&thread_, &attributes, &PageWarmer::threadMain, this) == 0;
  pthread_sigmask(SIG_SETMASK, &before, nullptr);
  pthread_attr_destroy(&attributes);
  return started_;
}

void* PageWarmer::threadMain(void* self) {
  static_cast<PageWarmer*>(self)->run();
  return nullptr;
}

void PageWarmer::run() {
  int index = 0;
  std::uintptr_t from = 0;
  std::uintptr_t to = 0;
  while (true) {
    {
      std::unique_lock held(lock_);
      populating_ = false;
      while (!stopping_ && !nextStep(index, from, to)) {
        idle_.notify_all();
        wake_.wait(held);
      }
      if (stopping_) {
        idle_.notify_all();
        return;
      }
      populating_ = true;
    }
    bool populated = populate(from, to);
    std::unique_lock held(lock_);
    if (!populated) {
      stopped_ = true;
      populating_ = false;
      idle_.notify_all();
      return;
    }
    ranges_[index].done = std::max(ranges_[index].done, to);
  }
}

bool PageWarmer::nextStep(int& index, std::uintptr_t& from, std::uintptr_t& to) const {
  for (int at = 0; at < kRanges; ++at) {
    const Range& range = ranges_[at];
    if (range.done >= range.wanted) continue;
    index = at;
    from = range.done;
    to = std::min(roundDown(from, kStep) + kStep, range.wanted);
    return true;
  }
  return false;
}

}  // namespace kz::heap
