#include "common/large_stack.h"

#include <pthread.h>

namespace kz {
namespace {

struct Task {
  const std::function<int()>* body;
  int result = 0;
};

void* runTask(void* context) {
  Task* task = static_cast<Task*>(context);
  task->result = (*task->body)();
  return nullptr;
}

}  // namespace

int runOnLargeStack(std::size_t bytes, const std::function<int()>& body) {
  pthread_attr_t attributes;
  if (pthread_attr_init(&attributes) != 0) return body();
  Task task{&body};
  pthread_t thread;
  bool started = pthread_attr_setstacksize(&attributes, bytes) == 0 &&
                 pthread_create(&thread, &attributes, runTask, &task) == 0;
  pthread_attr_destroy(&attributes);
  if (!started) return body();
  pthread_join(thread, nullptr);
  return task.result;
}

}  // namespace kz
