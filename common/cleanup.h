#pragma once
// The registry of files that must not outlive the run: work files and partial outputs.
// A signal handler may run at any moment, so the registry is fixed storage that the handler
// walks with async-signal-safe calls only.
#include <signal.h>

#include <string>

namespace kz::cleanup {

// Registers a path for removal by removeRegisteredFiles() or a signal. Returns false when
// the registry is full or the path too long (the caller then removes the file itself).
// Removal, by either path, unlinks only a regular file: a name that stands for a device, a
// pipe or a directory when the time comes is left alone.
bool registerFile(const std::string& path);
void unregisterFile(const std::string& path);
void removeRegisteredFiles();

// Removes path when it is a regular file; false when nothing was removed.
bool removeRegularFile(const std::string& path);
// The name exists and is something else than a regular file: a device, a pipe, a directory.
// Outputs written through such a name are never removed.
bool existsAsOtherThanRegularFile(const std::string& path);

// Routes SIGINT and SIGHUP (each unless it is being ignored) and SIGTERM to a handler that
// removes every registered file and ends the process with exitStatus. SIGBUS, which a
// mapped input file cut short under the run raises, does the same after a line on standard
// error that names the cause.
void installSignalHandlers(int exitStatus);

// Holds SIGINT, SIGTERM and SIGHUP back for its lifetime, so that a file can be created and
// registered without an interrupt landing in between; a held signal arrives at the end.
class SignalsHeld {
 public:
  SignalsHeld();
  ~SignalsHeld();
  SignalsHeld(const SignalsHeld&) = delete;
  SignalsHeld& operator=(const SignalsHeld&) = delete;

 private:
  sigset_t previous_;
};

}  // namespace kz::cleanup
