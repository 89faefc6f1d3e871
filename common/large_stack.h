// Work whose recursion follows the shape of its input (an expression of many thousands of
// terms is a tree as deep) runs on a thread with a large stack; the memory is only taken as
// the recursion reaches it.
#pragma once

#include <cstddef>
#include <functional>

namespace kz {

// Runs `body` on a new thread whose stack holds `bytes`, waits for it and returns its result;
// runs it on the calling thread when no such thread can be made.
int runOnLargeStack(std::size_t bytes, const std::function<int()>& body);

}  // namespace kz
