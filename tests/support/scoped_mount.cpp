#include "support/scoped_mount.h"

#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

namespace sortwell::testing {
namespace {

std::string failure(const char* what) { return std::string(what) + ": " + std::strerror(errno) + " (needs root)"; }

}  // namespace

ScopedMount ScopedMount::tmpfs(const std::string& target, std::size_t bytes) {
  ScopedMount m;
  const std::string options = "size=" + std::to_string(bytes) + ",mode=0700";
  if (mount("tmpfs", target.c_str(), "tmpfs", 0, options.c_str()) == 0) m.target_ = target;
  else m.why_not_ = failure("mounting a tmpfs");
  return m;
}

ScopedMount ScopedMount::read_only(const std::string& target) {
  ScopedMount m;
  if (mount(target.c_str(), target.c_str(), nullptr, MS_BIND, nullptr) != 0) {
    m.why_not_ = failure("bind mount");
    return m;
  }
  m.target_ = target;
  if (mount(nullptr, target.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0) {
    m.why_not_ = failure("remounting read-only");
    m.unmount();
  }
  return m;
}

ScopedMount ScopedMount::ext4_image(const std::string& target, const std::string& image, std::size_t bytes) {
  ScopedMount m;
  const std::string make = "truncate -s " + std::to_string(bytes) + " '" + image + "' && mkfs.ext4 -q -F '" + image +
                           "' >/dev/null 2>&1 && mount -o loop '" + image + "' '" + target + "' 2>/dev/null";
  if (geteuid() != 0) m.why_not_ = "mounting a loop device needs root";
  else if (std::system(make.c_str()) != 0) m.why_not_ = "mkfs.ext4 or a loop device is missing";
  else m.target_ = target;
  return m;
}

ScopedMount ScopedMount::ext4_image_again(const std::string& target, const std::string& image) {
  ScopedMount m;
  const std::string again = "mount -o loop '" + image + "' '" + target + "' 2>/dev/null";
  if (std::system(again.c_str()) == 0) m.target_ = target;
  else m.why_not_ = "mounting the image again failed";
  return m;
}

ScopedMount& ScopedMount::operator=(ScopedMount&& other) noexcept {
  unmount();
  target_ = std::move(other.target_);
  why_not_ = std::move(other.why_not_);
  other.target_.clear();
  return *this;
}

ScopedMount::ScopedMount(ScopedMount&& other) noexcept
    : target_(std::move(other.target_)), why_not_(std::move(other.why_not_)) {
  other.target_.clear();
}

ScopedMount::~ScopedMount() { unmount(); }

bool ScopedMount::unmount() {
  if (target_.empty()) return true;
  if (umount2(target_.c_str(), MNT_DETACH) != 0) return false;
  target_.clear();
  return true;
}

void fill_file_system(const std::string& directory) {
  const std::string path = directory + "/.filler";
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return;
  const std::string block(4096, 'f');
  while (write(fd, block.data(), block.size()) > 0) {
  }
  while (write(fd, block.data(), 1) > 0) {
  }
  close(fd);
}

}  // namespace sortwell::testing
