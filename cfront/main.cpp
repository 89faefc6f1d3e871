#include <malloc.h>
#include <unistd.h>

#include "cfront/fatal.h"
#include "cfront/front_end.h"
#include "common/cleanup.h"
#include "common/handover.h"
#include "common/large_stack.h"

namespace {

// Room for the walk over the deepest expression the emitter takes; the memory is only used as
// deep expressions reach it.
constexpr std::size_t kStackBytes = std::size_t{512} << 20;

}  // namespace

int main(int argc, char** argv) {
  // The C library's own blocks (stdio streams) stay in the main arena: a first malloc on the
  // worker thread would otherwise map and trim an arena of its own.
  mallopt(M_ARENA_MAX, 1);
  kz::cleanup::installSignalHandlers(kz::cfront::kExitInterrupt);
  // Any first argument that begins with "-z@" asks for the hand-over block.
  std::string first = argc > 1 ? argv[1] : "";
  char handover[] = "-z@";
  if (first.rfind(kz::kHandoverFlag, 0) == 0) argv[1] = handover;
  int status = kz::runOnLargeStack(kStackBytes, [&] {
    return kz::cfront::FrontEnd(kz::ProgramEnvironment::fromProcess(argc, argv, environ), stderr)
        .run();
  });
  kz::cleanup::removeRegisteredFiles();
  return status;
}
