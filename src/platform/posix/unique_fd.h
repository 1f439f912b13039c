#pragma once

#include <unistd.h>

namespace tessera {

// Owns a file descriptor and closes it once; -1 is empty.
class TUniqueFd {
public:
  TUniqueFd() = default;
  explicit TUniqueFd(int fd) : FFd(fd) {}
  ~TUniqueFd() { Reset(); }
  TUniqueFd(const TUniqueFd&) = delete;
  TUniqueFd& operator=(const TUniqueFd&) = delete;

  int Get() const { return FFd; }
  int Release() {
    const int fd = FFd;
    FFd = -1;
    return fd;
  }
  void Reset(int fd = -1) {
    if (FFd >= 0)
      close(FFd);
    FFd = fd;
  }

private:
  int FFd = -1;
};

} // namespace tessera
