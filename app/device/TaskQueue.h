#pragma once

#include <cstddef>
#include <deque>
#include <mutex>
#include <optional>
#include <vector>

namespace Zorvane {

// The device worker's queue of task codes, first in first out. Duplicates
// are kept: each queued code is carried out once.
//
// Any thread may push or pop. The lock is held only for the append or the
// removal itself, never while a code's work runs.
class TaskQueue {
 public:
  void Push(int code);
  // The first code, removed; nullopt when the queue is empty.
  std::optional<int> Pop();
  bool Empty() const;
  std::size_t Size() const;
  // The queued codes, first first.
  std::vector<int> Snapshot() const;

 private:
  mutable std::mutex mutex_;
  std::deque<int> codes_;
};

}  // namespace Zorvane
