#include "session/barcode.h"

#include <cstdio>
#include <map>
#include <vector>

#include "platform/ending.h"
#include "records/record_directory.h"

namespace sortwell {
namespace {

// What the save value means; a DataBar code without its field 9 is cents off.
int save_value_code(const CouponCode& code) { return code.save_value_code.value_or(0); }
bool is_cents_off(const CouponCode& code) { return save_value_code(code) == 0 || save_value_code(code) == 6; }

std::string offer_piece(const CouponCode& code) {
  if (!code.save_value) return {};
  const std::string value = std::to_string(*code.save_value);
  if (is_cents_off(code)) return value + " cents off";
  switch (save_value_code(code)) {
    case 1: return "a free item";
    case 2: return "free items";
    case 5: return value + " percent off";
    default: return {};
  }
}

std::string requirement_piece(const CouponCode& code) {
  if (!code.requirement) return {};
  const std::string value = std::to_string(code.requirement->value);
  switch (code.requirement->code) {
    case 0: return "buy " + value;
    case 1: return "spend " + value + " cents";
    case 2: return "spend " + value + " cents in all";
    default: return {};  // weights, or what the cashier enters
  }
}

// Whether a file name can be a record of the maker at all: its company
// prefix where a code of the same kind keeps it. Most names of a large
// folder fail here, without being read as codes.
bool may_name_maker(std::string_view name, const CouponCode& code) {
  const auto holds_at = [&](std::size_t at) { return name.size() > at && name.substr(at, code.company.size()) == code.company; };
  if (code.kind == CouponCode::Kind::upc_coupon) return name.size() == 16 && holds_at(1);
  return name.starts_with("811") && (holds_at(5) || holds_at(6));
}

}  // namespace

std::string known_maker(const std::string& data_dir, const CouponCode& code, int this_year) {
  if (code.kind == CouponCode::Kind::plain) return {};
  std::map<std::string, int> makers;
  // A program told to end reads no more records for it.
  const auto wanted = [&](std::string_view name) {
    return !told_to_end() && may_name_maker(name, code) && names_a_record(name) &&
           same_maker(read_coupon_code(code_of_file(std::string(name)), this_year), code);
  };
  const auto each = [&](const StoredFile& file) {
    if (!file.regular || !file.error.empty()) return;
    const std::string maker = unpack_record(file.image).manufacturer;
    if (!maker.empty()) ++makers[maker];
  };
  std::string error;
  // A folder that cannot be read knows no maker; the lookup tells its own failures.
  read_record_directory(data_dir, each, error, wanted);
  std::string most;
  int count = 0;
  for (const auto& [maker, records] : makers) {
    if (records > count) most = maker, count = records;
  }
  return most;
}

MakerSearch::Found::Found(FolderWatch* watch, std::function<std::string()> search)
    : watch_(watch), search_(std::move(search)) {
  const auto run = [](void* found) {
    auto& self = *static_cast<Found*>(found);
    self.found_ = self.search_();
  };
  running_ = task_.begin(run, this);
  if (!running_) run(this);
}

bool MakerSearch::Found::ready() {
  if (running_ && task_.wait(std::chrono::milliseconds(0), false) == FolderTask::Waited::done) running_ = false;
  return !running_;
}

const std::string& MakerSearch::Found::get() {
  if (running_) {
    if (watch_ != nullptr) watch_->wait(task_);
    else task_.wait(std::chrono::milliseconds(-1), false);
    running_ = false;
  }
  return found_;
}

void MakerSearch::start(std::function<std::string()> search) {
  if (!found_) found_ = std::make_unique<Found>(watch_, std::move(search));
}

std::string MakerSearch::get() { return found_ ? found_->get() : std::string(); }

MakerSearch::~MakerSearch() {
  if (!found_ || left_over_ == nullptr) return;
  // Those that ended are let go; the rest are waited for as they go.
  std::erase_if(*left_over_, [](const std::unique_ptr<Found>& f) { return f->ready(); });
  left_over_->push_back(std::move(found_));
}

void fill_from_code(CouponRecord& fresh, const CouponCode& code, const std::string& maker) {
  if (!maker.empty()) fresh.manufacturer = maker;
  if (code.expires) {
    char keys[16];
    std::snprintf(keys, sizeof keys, "%02d%02d", code.expires->month, code.expires->year % 100);
    fresh.expiry = keys;
  }
  // 655.35 cents is the most the record holds.
  if (code.save_value && is_cents_off(code) && *code.save_value <= 655) {
    fresh.value = static_cast<std::uint16_t>(*code.save_value * 100);
  }
  if (code.requirement && code.requirement->code == 0 && code.requirement->value <= 255) {
    fresh.number_needed = static_cast<std::uint8_t>(code.requirement->value);
  }
}

std::string barcode_sentence(const CouponCode& code, const std::string& maker) {
  std::vector<std::string> pieces = {offer_piece(code), requirement_piece(code)};
  if (code.expires) pieces.push_back("expires " + date_text(*code.expires));
  if (code.starts) pieces.push_back("good from " + date_text(*code.starts));
  if (!maker.empty()) pieces.push_back("made by " + maker);
  std::string sentence;
  for (const std::string& piece : pieces) {
    if (piece.empty()) continue;
    sentence += (sentence.empty() ? "The barcode says: " : ", ") + piece;
  }
  return sentence.empty() ? sentence : sentence + ".";
}

Validity validity_on(const CouponCode& code, const Date& today) {
  if (code.expires && *code.expires < today) return Validity::expired;
  if (code.starts && *code.starts > today) return Validity::not_yet_valid;
  return Validity::good;
}

std::string date_sentence(const CouponCode& code, const Date& today) {
  switch (validity_on(code, today)) {
    case Validity::expired: return "This coupon expired on " + date_text(*code.expires) + ".";
    case Validity::not_yet_valid: return "This coupon is good from " + date_text(*code.starts) + ".";
    case Validity::good: break;
  }
  return {};
}

}  // namespace sortwell
