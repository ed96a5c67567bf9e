#pragma once

#include "console/screen.h"

namespace sortwell {

// Output to a file descriptor. A failed write (a closed terminal or pipe) is
// dropped; the width comes from the terminal at each call, so a resized
// window is followed.
class FdScreen : public Screen {
 public:
  explicit FdScreen(int fd) : fd_(fd) {}
  void write(std::string_view utf8) override;
  int width() override;

 private:
  int fd_;
};

}  // namespace sortwell
