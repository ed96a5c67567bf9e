#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/keyboard.h"
#include "platform/scanner.h"

namespace sortwell {

// What to read, and how long it may take.
struct ReadOptions {
  std::string scanner;             // the device the settings name; empty: the first found
  std::string languages = "eng";   // the engine's language names, "eng+fra"
  std::string picture;             // a picture file to read instead of the scanner
  std::chrono::milliseconds limit{60000};  // for the scan, and again for the reading
};

enum class ReadingStatus {
  read,
  no_print,
  cut,    // a key cut it short; the key is left to be read
  ended,  // the program was told to end
  not_built,
  no_engine,         // `detail`: why its module could not be loaded
  scan_failed,       // `scan` says how
  no_language_data,  // `detail`: the language
  bad_picture,       // `detail`: why
  scan_too_slow,
  read_too_slow,
  busy,  // a reading cut short is still winding down
};

struct Reading {
  Reading(ReadingStatus how = ReadingStatus::read, std::vector<std::string> read = {}, ScanResult scanned = {},
          std::string why = {})
      : status(how), lines(std::move(read)), scan(std::move(scanned)), detail(std::move(why)) {}
  ReadingStatus status;
  std::vector<std::string> lines;  // the largest print first, UTF-8
  ScanResult scan;
  std::string detail;
};

// The sentence that tells why a reading failed; empty for one read, cut
// short or ended.
std::string reading_failure(const Reading& reading, bool from_scanner);

// Reads coupons, from the scanner or from picture files, for the whole run:
// the engine is loaded at the first reading and kept. The work runs on a
// thread of its own while the caller waits, so that a key, the program's
// end or the time limit ends the wait at once. Nothing of it touches a
// record.
class CouponReader {
 public:
  explicit CouponReader(std::shared_ptr<Scanner> scanner);
  CouponReader(const CouponReader&) = delete;
  CouponReader& operator=(const CouponReader&) = delete;

  // Whether this platform scans; where not, a picture file is read instead.
  bool scans() const;
  // Reads the coupon; `meanwhile` runs on this thread once the work has
  // begun (the sentence that says so). It ends at once, and what ran is
  // cancelled, when a key arrives on `cut_by` (where given), when the
  // program is told to end, or when the scan or the reading outlasts the
  // limit. A scanner or engine call that cannot be cancelled is left to
  // finish on its thread, which nothing waits for.
  Reading read(const ReadOptions& options, Keyboard* cut_by, const std::function<void()>& meanwhile = {});

  struct Shared;

 private:
  std::shared_ptr<Shared> shared_;
};

}  // namespace sortwell
