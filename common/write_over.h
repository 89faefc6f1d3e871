#pragma once
// An output file written over in place: an older file of the name is not emptied when it is
// opened but cut to the new length when the writing is done. Emptying it first makes the
// system drop all its pages and take new ones, and on ext4 the first close after such an
// emptying also starts writing the file back to the disk; both cost more than the run's own
// writing of a few megabytes.
#include <string>

namespace kz {

// The descriptor of `path` opened for writing from its start (created when missing, with
// `flags` added to the open flags), or -1.
int openToWriteOver(const std::string& path, int flags = 0);

// Cuts a regular file where the writing ended, so that nothing of an older, longer file stays
// behind it. Anything else is left as it is. False when the cut failed.
bool cutWhereWritingEnded(int fd);

}  // namespace kz
