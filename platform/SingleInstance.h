#pragma once

#include <string>

namespace Platform {

// One running instance per user and name: an exclusive advisory lock on a
// file. The kernel drops the lock when the process ends in any way, so a crash
// never leaves a stale lock behind.
class SingleInstance {
 public:
  SingleInstance() = default;
  ~SingleInstance();
  SingleInstance(const SingleInstance&) = delete;
  SingleInstance& operator=(const SingleInstance&) = delete;

  enum class Result { Acquired, AlreadyRunning, Failed };

  // Takes the lock on `lockPath` (created when missing) and keeps it until
  // this object is destroyed. AlreadyRunning when another process holds it.
  Result Acquire(const std::string& lockPath);
  bool Held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

}  // namespace Platform
