#include "platform/scanner.h"

namespace sortwell {
namespace {

// Where no scanning is built (Windows, where WIA is not; a POSIX build
// without SANE): `r` tells how to read a photo instead.
class NoScanner : public Scanner {
 public:
  bool scans() const override { return false; }
  ScanResult scan(const std::string&, const std::atomic<bool>&, GrayPage&) override { return {ScanStatus::not_built, {}}; }
  void cancel() override {}
};

}  // namespace

std::shared_ptr<Scanner> open_system_scanner() { return std::make_shared<NoScanner>(); }

}  // namespace sortwell
