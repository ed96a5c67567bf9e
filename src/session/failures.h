#pragma once

#include <string>

#include "console/console.h"
#include "platform/record_files.h"

namespace sortwell {

// What the user hears when a record could not be stored or reached. A
// failure is never announced as success.
inline constexpr const char* cannot_save = "I cannot save this coupon.";
inline constexpr const char* disk_full = "The disk is full, so I cannot save this coupon.";
inline constexpr const char* not_allowed = "I am not allowed to change this coupon's file, so I cannot save it.";
inline constexpr const char* read_only_folder = "The coupon folder is read-only, so I cannot save this coupon.";
inline constexpr const char* bad_name = "This code cannot name a file, so I cannot save this coupon.";
inline constexpr const char* unreachable = "I cannot reach the coupon folder, so I cannot save this coupon.";
inline constexpr const char* cannot_read = "I cannot read this coupon.";
inline constexpr const char* open_elsewhere = "This coupon is open in another Sortwell.";
inline constexpr const char* cannot_remove = "I cannot remove your last entry.";
inline constexpr const char* saved_elsewhere =
    "Another Sortwell saved this coupon first, so yours was not kept. Scan it again to count it.";
inline constexpr const char* changed_elsewhere =
    "Another Sortwell changed this coupon meanwhile, so what you did was not saved. Scan it again.";
inline constexpr const char* kept_unconfirmed =
    "What you did is in the coupon's file, but the disk did not confirm it, so it may be lost.";
inline constexpr const char* changed_unknown =
    "Another Sortwell changed this coupon meanwhile, so I cannot tell whether what you did was kept.";
inline constexpr const char* not_put_back = "What its file held could not be put back either.";
inline constexpr const char* saved_unknown =
    "I cannot read the coupon's file again, so I do not know whether what you did was saved.";
inline constexpr const char* cannot_lock = "I cannot lock coupons in their folder, so I cannot save them.";
inline constexpr const char* no_data_dir = "I cannot save coupons: their folder cannot be made or written.";
// Said while a call to the coupon folder has not answered for a while (a
// network folder whose link dropped): true whatever the outcome.
inline constexpr const char* folder_slow = "The coupon folder does not answer yet. I keep trying.";

// What a user can act on in why a file failed, as a clause ("the disk is
// full"); empty where there is nothing to tell beyond the failure.
inline std::string failure_cause(const FileResult& result) {
  switch (result.cause) {
    case FileCause::disk_full: return "the disk is full";
    case FileCause::not_allowed: return "I am not allowed to change its file";
    case FileCause::read_only_folder: return "the coupon folder is read-only";
    case FileCause::bad_name: return "this code cannot name a file";
    case FileCause::unreachable: return "I cannot reach the coupon folder";
    default: return {};
  }
}

// Why a coupon could not be saved, from how its file failed.
inline std::string why_not_saved(const FileResult& result) {
  switch (result.status) {
    case FileStatus::in_use: return open_elsewhere;
    case FileStatus::cannot_lock: return cannot_lock;
    case FileStatus::exists: return saved_elsewhere;
    case FileStatus::changed: return changed_elsewhere;
    case FileStatus::overtaken: return changed_unknown;
    case FileStatus::unconfirmed: return kept_unconfirmed;
    case FileStatus::unsure: return saved_unknown;
    case FileStatus::damaged: return why_not_saved({FileStatus::failed, result.cause}) + " " + not_put_back;
    default: break;
  }
  switch (result.cause) {
    case FileCause::disk_full: return disk_full;
    case FileCause::not_allowed: return not_allowed;
    case FileCause::read_only_folder: return read_only_folder;
    case FileCause::bad_name: return bad_name;
    case FileCause::unreachable: return unreachable;
    default: return cannot_save;
  }
}

// Prints a failure on its own line and returns it, to be heard before the
// next prompt.
inline std::string tell_failure(Console& console, const std::string& sentence) {
  console.print_text(sentence);
  console.print_newline();
  return sentence;
}

}  // namespace sortwell
