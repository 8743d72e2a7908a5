#pragma once

#include <fcntl.h>
#include <unistd.h>

namespace tazmel {

// Owns one file descriptor.
class UniqueFd {
 public:
  UniqueFd() = default;
  UniqueFd(const char* path, int flags, mode_t mode = 0) : fd_(::open(path, flags | O_CLOEXEC, mode)) {}
  ~UniqueFd() {
    if (fd_ >= 0) ::close(fd_);
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  UniqueFd(UniqueFd&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    if (this != &other) {
      if (fd_ >= 0) ::close(fd_);
      fd_ = other.fd_;
      other.fd_ = -1;
    }
    return *this;
  }

  bool Valid() const { return fd_ >= 0; }
  int Get() const { return fd_; }
  // Closes now and reports the result, which matters after writing.
  bool Close() {
    const int fd = fd_;
    fd_ = -1;
    return fd < 0 || ::close(fd) == 0;
  }

 private:
  int fd_ = -1;
};

}  // namespace tazmel
