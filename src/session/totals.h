#pragma once

#include <optional>
#include <string>

#include "codes/coupon_code.h"
#include "collection/report.h"
#include "console/console.h"
#include "platform/folder_watch.h"
#include "platform/voice.h"
#include "session/reply.h"

namespace sortwell {

// "312 coupons of 140 codes in 14 bins, worth 85 dollars 20 cents. 12
// expired.": the figures of `sortwell report`, in all and for its expired
// coupons, as a sentence; damaged record files are told too.
std::string totals_sentence(const Figures& figures);
// "Bin 7: 45 coupons of 12 codes, worth 20 dollars 50 cents."
std::string bin_sentence(const Figures& figures, int bin);

// "t", and "t" with a bin number: the collection in `data_dir` counted and
// the sentence returned, to be heard before the next prompt. Where the count
// takes more than half a second (a large shared folder), "Counting." is said
// first. A folder that cannot be read is a failure, told whole. The count is
// asked through `watch`: a folder that stops answering is told, and a
// program told to end ends without waiting for it, saying nothing of a
// count cut short.
Reply tell_totals(Console& console, Voice& voice, Keyboard* cut_by, const std::string& data_dir, const Date& today,
                  std::optional<int> bin, FolderWatch& watch);

}  // namespace sortwell
