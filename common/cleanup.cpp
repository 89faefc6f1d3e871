#include "common/cleanup.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

namespace kz::cleanup {
namespace {

constexpr int kSlots = 64;
constexpr std::size_t kPathCapacity = 4096;

// Fixed storage, so the handler reads it without allocating. A slot is published by
// setting its flag after the path is written, and withdrawn by clearing the flag first.
// The flags sit together, apart from the paths, and all starts as zero bytes: a run that
// registers one file touches two pages of it, not one for every slot.
struct Registry {
  std::atomic<bool> used[kSlots]{};
  char paths[kSlots][kPathCapacity]{};
};

constinit Registry registry;

volatile sig_atomic_t signalExitStatus = 192;

// stat and unlink are both async-signal-safe.
void unlinkIfRegular(const char* path) {
  struct stat info {};
  if (::stat(path, &info) == 0 && S_ISREG(info.st_mode)) ::unlink(path);
}

void removeAllSlots() {
  for (int slot = 0; slot < kSlots; ++slot) {
    if (registry.used[slot].load()) unlinkIfRegular(registry.paths[slot]);
  }
}

extern "C" void onTerminatingSignal(int) {
  removeAllSlots();
  ::_exit(signalExitStatus);
}

void writeError(const char* text) {
  std::size_t length = std::strlen(text);
  while (length > 0) {
    ssize_t written = ::write(STDERR_FILENO, text, length);
    if (written <= 0) return;
    text += written;
    length -= static_cast<std::size_t>(written);
  }
}

// Sources are read through mappings of their files: a file cut shorter by another process
// while it is read raises SIGBUS at the first byte past its new end. The run ends as an
// interrupted one does, with a line that says why.
extern "C" void onBusError(int) {
  writeError(program_invocation_short_name);
  writeError(": an input file was truncated while it was being read\n");
  removeAllSlots();
  ::_exit(signalExitStatus);
}

}  // namespace

bool registerFile(const std::string& path) {
  if (path.size() >= kPathCapacity) return false;
  for (int slot = 0; slot < kSlots; ++slot) {
    if (registry.used[slot].load()) continue;
    std::memcpy(registry.paths[slot], path.c_str(), path.size() + 1);
    registry.used[slot].store(true);
    return true;
  }
  return false;
}

void unregisterFile(const std::string& path) {
  for (int slot = 0; slot < kSlots; ++slot) {
    if (registry.used[slot].load() && path == registry.paths[slot]) {
      registry.used[slot].store(false);
      return;
    }
  }
}

void removeRegisteredFiles() {
  for (int slot = 0; slot < kSlots; ++slot) {
    if (!registry.used[slot].load()) continue;
    registry.used[slot].store(false);
    unlinkIfRegular(registry.paths[slot]);
  }
}

bool removeRegularFile(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
  return ::unlink(path.c_str()) == 0;
}

bool existsAsOtherThanRegularFile(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode);
}

void installSignalHandlers(int exitStatus) {
  signalExitStatus = exitStatus;
  struct sigaction action {};
  action.sa_handler = onTerminatingSignal;
  sigemptyset(&action.sa_mask);
  // An interrupt or hang-up that the parent chose to ignore stays ignored (a run under nohup).
  for (int signal : {SIGINT, SIGHUP}) {
    struct sigaction previous {};
    if (::sigaction(signal, nullptr, &previous) == 0 && previous.sa_handler != SIG_IGN) {
      ::sigaction(signal, &action, nullptr);
    }
  }
  ::sigaction(SIGTERM, &action, nullptr);
  struct sigaction busError {};
  busError.sa_handler = onBusError;
  sigemptyset(&busError.sa_mask);
  ::sigaction(SIGBUS, &busError, nullptr);
}

SignalsHeld::SignalsHeld() {
  sigset_t held;
  sigemptyset(&held);
  sigaddset(&held, SIGINT);
  sigaddset(&held, SIGTERM);
  sigaddset(&held, SIGHUP);
  sigprocmask(SIG_BLOCK, &held, &previous_);
}

SignalsHeld::~SignalsHeld() { sigprocmask(SIG_SETMASK, &previous_, nullptr); }

}  // namespace kz::cleanup
