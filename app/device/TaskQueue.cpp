#include "app/device/TaskQueue.h"

namespace Zorvane {

void TaskQueue::Push(int code) {
  std::lock_guard lock(mutex_);
  codes_.push_back(code);
}

std::optional<int> TaskQueue::Pop() {
  std::lock_guard lock(mutex_);
  if (codes_.empty()) return std::nullopt;
  int code = codes_.front();
  codes_.pop_front();
  return code;
}

bool TaskQueue::Empty() const {
  std::lock_guard lock(mutex_);
  return codes_.empty();
}

std::size_t TaskQueue::Size() const {
  std::lock_guard lock(mutex_);
  return codes_.size();
}

std::vector<int> TaskQueue::Snapshot() const {
  std::lock_guard lock(mutex_);
  return {codes_.begin(), codes_.end()};
}

}  // namespace Zorvane
