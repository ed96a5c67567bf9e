#pragma once

#include <string>

namespace sortwell::testing {

// A file system mounted over `target` for one test, unmounted afterwards.
// Needs mount rights (CI runs as root); `mounted()` tells whether it worked,
// and `why_not()` says what was missing, for a test to skip with.
class ScopedMount {
 public:
  // A tmpfs of `bytes` bytes.
  static ScopedMount tmpfs(const std::string& target, std::size_t bytes);
  // `target` itself again, read-only.
  static ScopedMount read_only(const std::string& target);
  // An ext4 image file of `bytes` bytes on a loop device.
  static ScopedMount ext4_image(const std::string& target, const std::string& image, std::size_t bytes);
  // The same image mounted again, after an unmount.
  static ScopedMount ext4_image_again(const std::string& target, const std::string& image);

  ScopedMount(ScopedMount&& other) noexcept;
  ScopedMount& operator=(ScopedMount&& other) noexcept;
  ScopedMount(const ScopedMount&) = delete;
  ScopedMount& operator=(const ScopedMount&) = delete;
  ~ScopedMount();

  bool mounted() const { return !target_.empty(); }
  const std::string& why_not() const { return why_not_; }
  // Unmounts now; false when the file system was busy.
  bool unmount();

 private:
  ScopedMount() = default;
  std::string target_;
  std::string why_not_;
};

// Fills the file system holding `directory` until no byte more fits.
void fill_file_system(const std::string& directory);

}  // namespace sortwell::testing
