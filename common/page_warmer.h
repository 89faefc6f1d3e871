#pragma once
// Fresh memory costs its first touch: the system clears each page when it is first written,
// 2 MiB at once for a huge page, and on a busy machine that clearing can take a good part of a
// run. A PageWarmer has a thread of its own fault in the pages of an address range ahead of
// its use, so that the program finds them ready and the clearing runs on another core.
//
// Ranges are used from their start upward; the owner tells how far (reached()) and the warmer
// keeps kAhead bytes beyond that faulted in. It only ever asks the system to fault pages in
// as if written (MADV_POPULATE_WRITE): the contents of memory are not changed, so the pages
// may be in use meanwhile. A hint only: where the system cannot populate ahead, or no thread
// can be started, the warmer stops and every page is faulted in where it is first used.
// Thread and locks are made without the heap, so the heap itself may use a warmer.
#include <pthread.h>

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>

namespace kz::heap {

class PageWarmer {
 public:
  static constexpr int kRanges = 2;
  static constexpr std::size_t kStep = std::size_t{2} << 20;  // a huge page
  // Beyond the page in use, one more is kept ready.
  static constexpr std::size_t kAhead = kStep;
  // No thread is started before a range is used this far: a short run needs none.
  static constexpr std::size_t kStartAfter = std::size_t{1} << 20;

  PageWarmer() = default;
  ~PageWarmer();
  PageWarmer(const PageWarmer&) = delete;
  PageWarmer& operator=(const PageWarmer&) = delete;

  // Ends the thread, which finishes the step it may be populating first. Later calls of
  // reached() start nothing.
  void stop();
  // Range `index` is [begin, end), used from begin upward.
  void setRange(int index, std::uintptr_t begin, std::uintptr_t end);
  // The range is used up to `used`. Returns the use at which it next wants to be told; the
  // caller calls again once use passes it (never, when the warmer has stopped).
  std::uintptr_t reached(int index, std::uintptr_t used);

  // How far each range has been faulted in, and whether the warmer still works. For tests.
  std::uintptr_t populatedUpTo(int index);
  bool working();
  // Waits until the thread has populated every range as far as asked, or has stopped.
  void waitUntilIdle();

 private:
  struct Range {
    std::uintptr_t begin = 0;
    std::uintptr_t end = 0;
    std::uintptr_t wanted = 0;  // populate up to here
    std::uintptr_t done = 0;    // populated up to here
  };
  static void* threadMain(void* self);
  void run();
  bool start();
  // The next step to populate, under the lock; false when there is none.
  bool nextStep(int& index, std::uintptr_t& from, std::uintptr_t& to) const;

  std::mutex lock_;
  std::condition_variable wake_;
  std::condition_variable idle_;
  pthread_t thread_{};
  bool started_ = false;
  bool stopped_ = false;   // the system cannot populate, or no thread could start
  bool stopping_ = false;  // the destructor asks the thread to end
  bool populating_ = false;
  Range ranges_[kRanges];
};

}  // namespace kz::heap
