#include "common/hangup.h"

#include <signal.h>
#include <unistd.h>

#include "common/cleanup.h"

namespace kz::cleanup {
namespace {

volatile sig_atomic_t hangupExitStatus = 1;

// removeRegisteredFiles() touches only the fixed registry and unlink(): safe in a handler.
extern "C" void onHangup(int) {
  removeRegisteredFiles();
  ::_exit(hangupExitStatus);
}

}  // namespace

void installHangupHandler(int exitStatus) {
  hangupExitStatus = exitStatus;
  struct sigaction previous {};
  if (::sigaction(SIGHUP, nullptr, &previous) != 0 || previous.sa_handler == SIG_IGN) return;
  struct sigaction action {};
  action.sa_handler = onHangup;
  sigemptyset(&action.sa_mask);
  ::sigaction(SIGHUP, &action, nullptr);
}

}  // namespace kz::cleanup
