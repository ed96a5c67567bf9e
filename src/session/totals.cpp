#include "session/totals.h"

namespace sortwell {
namespace {

using namespace std::chrono_literals;

std::string counted(std::int64_t number, const char* one, const char* many) {
  return std::to_string(number) + " " + (number == 1 ? one : many);
}

// In whole cents, rounded as the report rounds them: "85 dollars 20 cents".
std::string worth(std::int64_t hundredths_of_a_cent) {
  const std::int64_t cents = (hundredths_of_a_cent + 50) / 100;
  const std::string dollars = counted(cents / 100, "dollar", "dollars");
  if (cents % 100 == 0 && cents > 0) return "worth " + dollars;
  const std::string rest = counted(cents % 100, "cent", "cents");
  return "worth " + (cents >= 100 ? dollars + " " + rest : rest);
}

std::string coupons_of_codes(const Report::Totals& totals) {
  return counted(totals.coupons, "coupon", "coupons") + " of " + counted(totals.codes, "code", "codes");
}

}  // namespace

std::string totals_sentence(const Figures& figures) {
  std::int64_t bins = 0;
  for (const auto& [bin, totals] : figures.bins) bins += bin != 0 && totals.codes > 0;
  std::string sentence = coupons_of_codes(figures.in_all) + " in " + counted(bins, "bin", "bins") + ", " +
                         worth(figures.in_all.value) + ".";
  if (figures.expired.coupons > 0) sentence += " " + std::to_string(figures.expired.coupons) + " expired.";
  if (figures.problems > 0) {
    sentence += " " + counted(static_cast<std::int64_t>(figures.problems), "record file is", "record files are") +
                " damaged: sortwell report names them.";
  }
  return sentence;
}

std::string bin_sentence(const Figures& figures, int bin) {
  const auto found = figures.bins.find(bin);
  const Report::Totals totals = found != figures.bins.end() ? found->second : Report::Totals{};
  const std::string name = bin == 0 ? "No bin" : "Bin " + std::to_string(bin);
  return name + ": " + coupons_of_codes(totals) + ", " + worth(totals.value) + ".";
}

Reply tell_totals(Console& console, Voice& voice, Keyboard* cut_by, const std::string& data_dir, const Date& today,
                  std::optional<int> bin, FolderWatch& watch) {
  Figures figures;
  std::string error;
  const bool counted = watch.ask([&] { return count_figures(data_dir, today, figures, error); }, 500ms,
                                 [&] { speak(voice, "Counting.", cut_by); });
  if (!counted) {
    const std::string failure = "I cannot count the coupons: " + error + ".";
    return failure_reply(console, failure.c_str());
  }
  return {bin ? bin_sentence(figures, *bin) : totals_sentence(figures)};
}

}  // namespace sortwell
