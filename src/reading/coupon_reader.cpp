#include "reading/coupon_reader.h"

#include <atomic>
#include <condition_variable>
#include <mutex>

#include "platform/ending.h"
#include "platform/quiet_stderr.h"
#include "platform/reading_data.h"
#include "platform/user_files.h"
#include "platform/worker_thread.h"
#include "reading/print_engine.h"
#include "reading/printed_lines.h"

namespace sortwell {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// How often a wait looks at the keyboard and the program's end.
constexpr auto tick = 20ms;
// How long work told to stop is waited for before it is left to finish:
// the program's end comes within a second all the same. A key that cut it
// short is answered at once; the next reading waits instead.
constexpr auto wind_down = 400ms;
// Far more than any photo of a coupon.
constexpr std::size_t largest_picture_file = 256u << 20;

enum class Phase { reading, scanning };

// One reading, shared by the waiting thread and the worker.
struct Job {
  std::mutex mutex;
  std::condition_variable changed;
  Phase phase = Phase::reading;
  Clock::time_point phase_began = Clock::now();
  bool done = false;
  Reading reading;
  std::atomic<bool> cancelled{false};

  void enter(Phase next) {
    std::lock_guard lock(mutex);
    phase = next;
    phase_began = Clock::now();
  }
  bool finish_within(Clock::duration wait) {
    std::unique_lock lock(mutex);
    return changed.wait_for(lock, wait, [this] { return done; });
  }
};

Reading from_engine(const EngineResult& result) {
  switch (result.status) {
    case EngineStatus::no_language_data: return {ReadingStatus::no_language_data, {}, {}, result.detail};
    case EngineStatus::no_picture: return {ReadingStatus::bad_picture, {}, {}, "it is no picture I know"};
    case EngineStatus::damaged_picture: return {ReadingStatus::bad_picture, {}, {}, "it is damaged or cut short"};
    case EngineStatus::too_large: return {ReadingStatus::bad_picture, {}, {}, "it is too large, " + result.detail};
    case EngineStatus::cancelled: return {ReadingStatus::cut};
    case EngineStatus::ok: break;
  }
  return {};
}

std::string why_unread(const FileResult& file) {
  if (file.status == FileStatus::missing) return "there is no such file";
  if (file.status == FileStatus::not_a_record) return "it is no file";
  return file.system_error != 0 ? system_error_text(file.system_error) : "it is far too large";
}

}  // namespace

struct CouponReader::Shared {
  std::shared_ptr<Scanner> scanner;
  std::unique_ptr<PrintEngine> engine;  // the worker's alone, one job at a time
  std::shared_ptr<Job> job;             // the last one begun
};

namespace {

Reading work_through(CouponReader::Shared& shared, Job& job, const ReadOptions& options) {
  // A picture that cannot be had is told before the engine is loaded.
  std::string bytes;
  if (!options.picture.empty()) {
    const FileResult file = read_small_file(options.picture, largest_picture_file, bytes);
    if (!file) {
      return {ReadingStatus::bad_picture, {}, {}, why_unread(file)};
    }
  }
  // The engine before the scan: without its data no scan is worth the wait.
  if (shared.engine == nullptr) {
    std::string why;
    shared.engine = make_print_engine(why);
    if (shared.engine == nullptr) return {why.empty() ? ReadingStatus::not_built : ReadingStatus::no_engine, {}, {}, why};
  }
  if (const EngineResult loaded = shared.engine->load(reading_data_dir(), options.languages); !loaded) {
    return from_engine(loaded);
  }
  std::vector<PrintedLine> found;
  EngineResult result;
  if (options.picture.empty()) {
    GrayPage page;
    job.enter(Phase::scanning);
    const ScanResult scanned = shared.scanner->scan(options.scanner, job.cancelled, page);
    if (!scanned) return {job.cancelled ? ReadingStatus::cut : ReadingStatus::scan_failed, {}, scanned, {}};
    job.enter(Phase::reading);
    result = shared.engine->read_page(page, job.cancelled, found);
  } else {
    result = shared.engine->read_picture(bytes, job.cancelled, found);
  }
  if (!result) return from_engine(result);
  Reading reading{ReadingStatus::read, largest_first(found)};
  if (reading.lines.empty()) reading.status = ReadingStatus::no_print;
  return reading;
}

// Until the job is done, or why the wait ended first.
ReadingStatus wait_for(Job& job, std::chrono::milliseconds limit, Keyboard* cut_by) {
  std::unique_lock lock(job.mutex);
  for (;;) {
    if (job.done) return ReadingStatus::read;
    if (told_to_end()) return ReadingStatus::ended;
    if (cut_by != nullptr && cut_by->key_arrived()) return ReadingStatus::cut;
    if (Clock::now() - job.phase_began > limit) {
      return job.phase == Phase::scanning ? ReadingStatus::scan_too_slow : ReadingStatus::read_too_slow;
    }
    job.changed.wait_for(lock, tick);
  }
}

}  // namespace

CouponReader::CouponReader(std::shared_ptr<Scanner> scanner) : shared_(std::make_shared<Shared>()) {
  shared_->scanner = std::move(scanner);
}

bool CouponReader::scans() const { return shared_->scanner != nullptr && shared_->scanner->scans(); }

Reading CouponReader::read(const ReadOptions& options, Keyboard* cut_by, const std::function<void()>& meanwhile) {
  if (shared_->job != nullptr && !shared_->job->finish_within(wind_down)) return {ReadingStatus::busy};
  if (!print_engine_built()) return {ReadingStatus::not_built};
  if (options.picture.empty() && !scans()) return {ReadingStatus::scan_failed, {}, {ScanStatus::not_built, {}}};
  auto job = std::make_shared<Job>();
  shared_->job = job;
  start_worker([shared = shared_, job, options]() mutable {
    Reading reading;
    {
      // The libraries' complaints would land on the screen; the user hears the reason instead.
      StandardErrorSilenced quiet;
      reading = work_through(*shared, *job, options);
    }
    // The engine is the reader's alone again before it hears: it goes with
    // the reader, before the engine's library ends with the program.
    shared.reset();
    std::lock_guard lock(job->mutex);
    job->reading = std::move(reading);
    job->done = true;
    job->changed.notify_all();
  }).detach();
  if (meanwhile) meanwhile();
  const ReadingStatus waited = wait_for(*job, options.limit, cut_by);
  if (waited == ReadingStatus::read) {
    std::lock_guard lock(job->mutex);
    return std::move(job->reading);
  }
  job->cancelled = true;
  if (shared_->scanner != nullptr) shared_->scanner->cancel();
  if (waited != ReadingStatus::cut) job->finish_within(wind_down);
  return {waited};
}

namespace {

std::string scan_failure(const ScanResult& scan) {
  switch (scan.status) {
    case ScanStatus::not_built:
      return "This Sortwell cannot use a scanner. To read a photo of the coupon, type sortwell read and the "
             "photo's file name at a command prompt, or press r in the coupon's menu.";
    case ScanStatus::no_scanner: return scan.detail.empty() ? "I find no scanner." : "I find no scanner named " + scan.detail + ".";
    case ScanStatus::busy: return "The scanner is busy.";
    case ScanStatus::jammed: return "The scanner is jammed.";
    case ScanStatus::no_paper: return "The scanner has no page to scan.";
    case ScanStatus::cover_open: return "The scanner's cover is open.";
    case ScanStatus::unplugged: return "The scanner stopped answering. Is it unplugged?";
    case ScanStatus::no_memory: return "The scanner ran out of memory.";
    case ScanStatus::not_allowed: return "I am not allowed to use the scanner.";
    case ScanStatus::unreadable: return "The scanner sends pages in a form I cannot read.";
    case ScanStatus::cancelled: return "The scan was stopped at the scanner.";
    case ScanStatus::failed: return "The scanner failed: " + scan.detail + ".";
    case ScanStatus::scanned: break;
  }
  return {};
}

}  // namespace

std::string reading_failure(const Reading& reading, bool from_scanner) {
  switch (reading.status) {
    case ReadingStatus::no_print:
      return from_scanner ? "I find no print on the scanner. Is the coupon face down on the glass?"
                          : "I find no print in this picture.";
    case ReadingStatus::not_built: return "Reading print is not built in.";
    case ReadingStatus::no_engine: return "I cannot start reading print: " + reading.detail + ".";
    case ReadingStatus::scan_failed: return scan_failure(reading.scan);
    case ReadingStatus::no_language_data:
      return "I cannot read print: the language data for " + reading.detail + " is missing or damaged. Install " +
             reading_data_source(reading.detail) + ".";
    case ReadingStatus::bad_picture: return "I cannot read this picture: " + reading.detail + ".";
    case ReadingStatus::scan_too_slow: return "The scanner took more than a minute, so I stopped it.";
    case ReadingStatus::read_too_slow: return "Reading the print took more than a minute, so I stopped it.";
    case ReadingStatus::busy: return "I am still finishing the last reading. Try again in a moment.";
    case ReadingStatus::read:
    case ReadingStatus::cut:
    case ReadingStatus::ended: break;
  }
  return {};
}

}  // namespace sortwell
