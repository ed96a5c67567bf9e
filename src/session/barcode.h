#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "codes/coupon_code.h"
#include "platform/folder_watch.h"
#include "records/coupon_record.h"

namespace sortwell {

// What a coupon's own barcode tells the user, who may not be able to read
// its print.

inline constexpr const char* check_digit_wrong =
    "The check digit of this code is wrong, so it may be mistyped.";

// The manufacturer that most records of the same maker in `data_dir` carry
// (ties: the first in byte order); empty when no such record names one. Only
// the folder's names are read, and the records whose names match.
std::string known_maker(const std::string& data_dir, const CouponCode& code, int this_year);

// `known_maker`, looked for in a folder task of its own from the moment a
// code is known to be new, while the user hears that it is: on a shared
// folder of many records the listing takes seconds. It is waited for through
// `watch` (where given), as every call to the folder is. A search its lookup
// does not use (the record was in place after all, or held elsewhere) is
// never waited for there, so that no lock is held and no refusal waits
// meanwhile: it goes on to its end in `left_over`, which its owner (the
// session) waits for last; without one, it is waited for when the search
// object goes.
class MakerSearch {
 public:
  // A search under way, and what it found: waited for, as it goes, until
  // it has ended.
  class Found {
   public:
    Found(FolderWatch* watch, std::function<std::string()> search);
    ~Found() { get(); }
    Found(const Found&) = delete;
    Found& operator=(const Found&) = delete;
    // Whether it has ended, without waiting.
    bool ready();
    // What it found, once it has ended.
    const std::string& get();

   private:
    FolderWatch* watch_;
    std::function<std::string()> search_;
    std::string found_;
    FolderTask task_;
    bool running_ = false;
  };
  using LeftOver = std::vector<std::unique_ptr<Found>>;

  explicit MakerSearch(LeftOver* left_over, FolderWatch* watch = nullptr) : left_over_(left_over), watch_(watch) {}
  ~MakerSearch();
  MakerSearch(const MakerSearch&) = delete;
  MakerSearch& operator=(const MakerSearch&) = delete;

  // Starts `search`, once.
  void start(std::function<std::string()> search);
  // What it found; empty when it was not started.
  std::string get();

 private:
  LeftOver* left_over_;
  FolderWatch* watch_;
  std::unique_ptr<Found> found_;
};

// A fresh record filled in from its code: the expiry as its four keys MMYY,
// the value where the save value is cents that fit, the number needed where
// the first requirement is units that fit, and the maker where one is known.
void fill_from_code(CouponRecord& fresh, const CouponCode& code, const std::string& maker);

// "The barcode says: 75 cents off, buy 2, expires 11-30-2026, made by Acme.";
// empty when the code says none of that.
std::string barcode_sentence(const CouponCode& code, const std::string& maker);

// Whether a coupon may be used `today`, as far as its code's dates say.
enum class Validity { good, expired, not_yet_valid };
Validity validity_on(const CouponCode& code, const Date& today);

// At every announcement: "This coupon expired on 11-30-2026." or "This
// coupon is good from 01-01-2027."; empty while the coupon is good today or
// its code carries no dates.
std::string date_sentence(const CouponCode& code, const Date& today);

}  // namespace sortwell
