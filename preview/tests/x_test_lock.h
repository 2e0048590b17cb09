// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Tests that read pixels back from the shared test X server hold this lock
// while their window is on screen: ctest runs test processes in parallel,
// and a window covered by another test's window reads back that window's
// pixels.

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <string>

namespace xtest {

class ScreenLock {
 public:
  explicit ScreenLock(const std::string& display) {
    std::string name = "/tmp/clipmill-xtest-" + display.substr(display.find(':') + 1) + ".lock";
    fd_ = ::open(name.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd_ >= 0) ::flock(fd_, LOCK_EX);
  }
  ~ScreenLock() {
    if (fd_ >= 0) ::close(fd_);  // closing releases the lock
  }
  ScreenLock(const ScreenLock&) = delete;
  ScreenLock& operator=(const ScreenLock&) = delete;

 private:
  int fd_ = -1;
};

}  // namespace xtest
