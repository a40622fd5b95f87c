#pragma once

#include <chrono>
#include <thread>

namespace TestSupport {

// Polls `done` until it holds or `limit` has passed; true when it held. For
// waiting on other threads without fixed sleeps.
template <typename Predicate>
bool WaitFor(Predicate done, std::chrono::milliseconds limit = std::chrono::seconds(5)) {
  auto end = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

}  // namespace TestSupport
