#pragma once

#include <functional>
#include <string>
#include <thread>

namespace Zorvane {

// A named pipe that a person writes simulator commands into
// (`echo dpi > $XDG_RUNTIME_DIR/zorvane-simulator`). A thread of its own
// reads it line by line, hands each line to the handler and logs the
// handler's answer.
//
// The pipe is created with mode 0600 when missing; an existing path is used
// only when it is a pipe owned by this user, never replaced. A pipe this
// object created is removed when it stops. Lines longer than 512 bytes are
// dropped.
class SimulatorCommandChannel {
 public:
  using Handler = std::function<std::string(const std::string& line)>;
  using Log = std::function<void(const std::string& text)>;

  // $XDG_RUNTIME_DIR/zorvane-simulator, else /tmp/zorvane-simulator-<uid>.
  static std::string DefaultPath();

  // `log` null: standard error, prefixed "zorvane simulator: ".
  explicit SimulatorCommandChannel(Handler handler, Log log = nullptr);
  ~SimulatorCommandChannel();
  SimulatorCommandChannel(const SimulatorCommandChannel&) = delete;
  SimulatorCommandChannel& operator=(const SimulatorCommandChannel&) = delete;

  // False when the pipe cannot be created or opened, or it runs already.
  bool Start(const std::string& path);
  // Waits for a command being carried out, then ends the thread.
  void Stop();

 private:
  void ReadLoop();
  void Execute(const std::string& line);

  Handler handler_;
  Log log_;
  std::string path_;
  bool created_ = false;
  int pipe_ = -1;
  int wake_ = -1;  // eventfd: tells the thread to end
  std::thread thread_;
};

}  // namespace Zorvane
