#pragma once
// A hang-up of the controlling terminal ends a run like an interrupt: every registered
// file is removed and the process exits with the given status.
namespace kz::cleanup {

// Routes SIGHUP (unless it is being ignored) to the removal of the registered files.
void installHangupHandler(int exitStatus);

}  // namespace kz::cleanup
