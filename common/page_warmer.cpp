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

class Locked {
 public:
  explicit Locked(pthread_mutex_t& lock) : lock_(lock) { pthread_mutex_lock(&lock_); }
  ~Locked() { pthread_mutex_unlock(&lock_); }
  Locked(const Locked&) = delete;
  Locked& operator=(const Locked&) = delete;

 private:
  pthread_mutex_t& lock_;
};

// Faults the pages in as if written; false when the system cannot.
bool populate(std::uintptr_t from, std::uintptr_t to) {
  while (::madvise(reinterpret_cast<void*>(from), to - from, MADV_POPULATE_WRITE) != 0) {
    if (errno != EINTR && errno != EAGAIN) return false;
  }
  return true;
}

}  // namespace

PageWarmer::~PageWarmer() {
  stop();
  pthread_cond_destroy(&idle_);
  pthread_cond_destroy(&wake_);
  pthread_mutex_destroy(&lock_);
}

void PageWarmer::stop() {
  {
    Locked held(lock_);
    if (!started_ || stopping_) return;
    stopping_ = true;
    pthread_cond_signal(&wake_);
  }
  pthread_join(thread_, nullptr);
}

void PageWarmer::setRange(int index, std::uintptr_t begin, std::uintptr_t end) {
  Locked held(lock_);
  ranges_[index] = {begin, end, begin, begin};
}

std::uintptr_t PageWarmer::reached(int index, std::uintptr_t used) {
  Locked held(lock_);
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
    pthread_cond_signal(&wake_);
  }
  // Told again once use enters the page kept ready.
  return range.wanted == range.end ? kNever : range.wanted - kAhead;
}

std::uintptr_t PageWarmer::populatedUpTo(int index) {
  Locked held(lock_);
  return ranges_[index].done;
}

bool PageWarmer::working() {
  Locked held(lock_);
  return started_ && !stopped_ && !stopping_;
}

void PageWarmer::waitUntilIdle() {
  Locked held(lock_);
  while (started_ && !stopped_ && !stopping_) {
    int index = 0;
    std::uintptr_t from = 0;
    std::uintptr_t to = 0;
    if (!populating_ && !nextStep(index, from, to)) return;
    pthread_cond_wait(&idle_, &lock_);
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
      Locked held(lock_);
      populating_ = false;
      while (!stopping_ && !nextStep(index, from, to)) {
        pthread_cond_broadcast(&idle_);
        pthread_cond_wait(&wake_, &lock_);
      }
      if (stopping_) {
        pthread_cond_broadcast(&idle_);
        return;
      }
      populating_ = true;
    }
    bool populated = populate(from, to);
    Locked held(lock_);
    if (!populated) {
      stopped_ = true;
      populating_ = false;
      pthread_cond_broadcast(&idle_);
      return;
    }
    ranges_[index].done = std::max(ranges_[index].done, to);
  }
}

bool PageWarmer::nextStep(int& index, std::uintptr_t& from, std::uintptr_t& to) {
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
