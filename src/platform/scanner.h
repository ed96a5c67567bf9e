#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace sortwell {

// A page as reading takes it: 8-bit gray, 0 black to 255 white, one byte a
// pixel, rows top to bottom without padding.
struct GrayPage {
  int width = 0;
  int height = 0;
  int dpi = 0;  // 0 where not known
  std::vector<std::uint8_t> pixels;
};

// How a scan went; every way but `scanned` is a reason the user hears.
enum class ScanStatus {
  scanned,
  not_built,    // this build scans nothing
  no_scanner,   // none found, or not the one asked for
  busy,
  jammed,
  no_paper,
  cover_open,
  unplugged,    // it stopped answering mid-scan
  no_memory,
  not_allowed,  // the system refused this user the device
  unreadable,   // it sends pages in a form this program cannot take
  failed,       // any other failure: `detail` has the scanner library's words
  cancelled,
};
struct ScanResult {
  ScanStatus status = ScanStatus::failed;
  std::string detail;
  explicit operator bool() const { return status == ScanStatus::scanned; }
};

// The scanner on the desk.
class Scanner {
 public:
  virtual ~Scanner() = default;
  // Whether this build scans at all.
  virtual bool scans() const { return true; }
  // One page from `device` (empty: the first the system finds) in gray at
  // 300 dpi, or as near as the scanner comes, into `page`. Blocks for the
  // scan's length; returns `cancelled` soon after `cancelled` turns true
  // and `cancel` is called. One scan at a time.
  virtual ScanResult scan(const std::string& device, const std::atomic<bool>& cancelled, GrayPage& page) = 0;
  // Wakes a scan blocked in the device, from another thread, at any time.
  virtual void cancel() = 0;
};

// The platform's scanner: SANE on POSIX, loaded at the first scan; none
// built on Windows, where every scan is `not_built`.
std::shared_ptr<Scanner> open_system_scanner();

}  // namespace sortwell
