// The scanner through SANE, whose library is loaded at the first scan:
// start-up never pays for it, and a machine without it still sorts.
#include <dlfcn.h>
#include <signal.h>
#include <sane/sane.h>
#include <sane/saneopts.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>
#include <type_traits>

#include "platform/posix/library_function.h"
#include "platform/scanner.h"

namespace sortwell {
namespace {

constexpr int wanted_dpi = 300;
// An A3 page in colour at 600 dpi is about 200 MB: more is no coupon.
constexpr std::size_t largest_page = 512u << 20;

struct SaneLibrary {
  decltype(&sane_init) init = nullptr;
  decltype(&sane_get_devices) get_devices = nullptr;
  decltype(&sane_open) open = nullptr;
  decltype(&sane_close) close = nullptr;
  decltype(&sane_get_option_descriptor) option = nullptr;
  decltype(&sane_control_option) control = nullptr;
  decltype(&sane_start) start = nullptr;
  decltype(&sane_get_parameters) parameters = nullptr;
  decltype(&sane_read) read = nullptr;
  decltype(&sane_cancel) cancel = nullptr;
  decltype(&sane_strstatus) status_text = nullptr;

  // nullptr where libsane cannot be loaded whole.
  static const SaneLibrary* load() {
    static const SaneLibrary* const loaded = [] {
      void* library = dlopen("libsane.so.1", RTLD_NOW | RTLD_LOCAL);
      if (library == nullptr) return static_cast<SaneLibrary*>(nullptr);
      static SaneLibrary sane;
      const auto find = [library](auto& function, const char* name) { return find_function(library, function, name); };
      const bool whole = find(sane.init, "sane_init") && find(sane.get_devices, "sane_get_devices") &&
                         find(sane.open, "sane_open") && find(sane.close, "sane_close") &&
                         find(sane.option, "sane_get_option_descriptor") && find(sane.control, "sane_control_option") &&
                         find(sane.start, "sane_start") && find(sane.parameters, "sane_get_parameters") &&
                         find(sane.read, "sane_read") && find(sane.cancel, "sane_cancel") &&
                         find(sane.status_text, "sane_strstatus");
      SANE_Int version = 0;
      return whole && sane.init(&version, nullptr) == SANE_STATUS_GOOD ? &sane : nullptr;
    }();
    return loaded;
  }
};

// Backends start reader threads written for a process of their own, which
// set SIGTERM and others to their defaults: a signal would then end the
// program without its terminal given back. The program's handlers, as they
// were when the scan began, are put back after every call.
class HandlersKept {
 public:
  HandlersKept() {
    for (std::size_t i = 0; i < std::size(kept_); ++i) sigaction(kept_[i], nullptr, &saved_[i]);
  }
  void put_back() const {
    for (std::size_t i = 0; i < std::size(kept_); ++i) sigaction(kept_[i], &saved_[i], nullptr);
  }

 private:
  static constexpr int kept_[] = {SIGHUP, SIGTERM, SIGINT, SIGQUIT, SIGPIPE};
  struct sigaction saved_[std::size(kept_)] {};
};

ScanResult failure(const SaneLibrary& sane, SANE_Status status) {
  switch (status) {
    case SANE_STATUS_DEVICE_BUSY: return {ScanStatus::busy, {}};
    case SANE_STATUS_JAMMED: return {ScanStatus::jammed, {}};
    case SANE_STATUS_NO_DOCS: return {ScanStatus::no_paper, {}};
    case SANE_STATUS_COVER_OPEN: return {ScanStatus::cover_open, {}};
    case SANE_STATUS_IO_ERROR: return {ScanStatus::unplugged, {}};
    case SANE_STATUS_NO_MEM: return {ScanStatus::no_memory, {}};
    case SANE_STATUS_ACCESS_DENIED: return {ScanStatus::not_allowed, {}};
    case SANE_STATUS_CANCELLED: return {ScanStatus::cancelled, {}};
    default: return {ScanStatus::failed, sane.status_text(status)};
  }
}

// Gray, and 300 dpi or the nearest the scanner offers; the mode first, as it
// may change the resolutions on offer. Returns the resolution set, or 0.
int set_up(const SaneLibrary& sane, SANE_Handle handle) {
  int dpi = 0;
  for (const char* wanted : {SANE_NAME_SCAN_MODE, SANE_NAME_SCAN_RESOLUTION}) {
    for (SANE_Int i = 1;; ++i) {
      const SANE_Option_Descriptor* option = sane.option(handle, i);
      if (option == nullptr) break;
      if (option->name == nullptr || std::strcmp(option->name, wanted) != 0 || !SANE_OPTION_IS_ACTIVE(option->cap) ||
          !SANE_OPTION_IS_SETTABLE(option->cap)) {
        continue;
      }
      if (option->type == SANE_TYPE_STRING && option->constraint_type == SANE_CONSTRAINT_STRING_LIST) {
        for (const SANE_String_Const* mode = option->constraint.string_list; *mode != nullptr; ++mode) {
          if (std::strcmp(*mode, SANE_VALUE_SCAN_MODE_GRAY) != 0) continue;
          std::string value(static_cast<std::size_t>(std::max<SANE_Int>(option->size, 8)), '\0');
          value.replace(0, std::strlen(*mode), *mode);
          sane.control(handle, i, SANE_ACTION_SET_VALUE, value.data(), nullptr);
        }
      } else if ((option->type == SANE_TYPE_INT || option->type == SANE_TYPE_FIXED) && option->size == sizeof(SANE_Word)) {
        const bool fixed = option->type == SANE_TYPE_FIXED;
        const auto as_dpi = [fixed](SANE_Word word) { return fixed ? SANE_UNFIX(word) : static_cast<double>(word); };
        SANE_Word value = fixed ? SANE_FIX(wanted_dpi) : wanted_dpi;
        if (option->constraint_type == SANE_CONSTRAINT_WORD_LIST) {
          const SANE_Word* list = option->constraint.word_list;
          for (SANE_Word k = 1; k <= list[0]; ++k) {
            if (k == 1 || std::abs(as_dpi(list[k]) - wanted_dpi) < std::abs(as_dpi(value) - wanted_dpi)) value = list[k];
          }
        } else if (option->constraint_type == SANE_CONSTRAINT_RANGE) {
          value = std::clamp(value, option->constraint.range->min, option->constraint.range->max);
        }
        sane.control(handle, i, SANE_ACTION_SET_VALUE, &value, nullptr);
        if (sane.control(handle, i, SANE_ACTION_GET_VALUE, &value, nullptr) == SANE_STATUS_GOOD) {
          dpi = static_cast<int>(as_dpi(value) + 0.5);
        }
      }
      break;
    }
  }
  return dpi;
}

// A sample of `depth` bits as 8 bits; in SANE a set bit is black.
std::uint8_t sample(const std::uint8_t* row, std::size_t index, int depth) {
  if (depth == 8) return row[index];
  if (depth == 16) {
    std::uint16_t wide;
    std::memcpy(&wide, row + 2 * index, 2);
    return static_cast<std::uint8_t>(wide >> 8);
  }
  return (row[index / 8] >> (7 - index % 8) & 1) ? 0 : 255;
}

// The page's bytes as 8-bit gray: colour by its luminance.
void to_gray(const std::vector<std::uint8_t>& bytes, const SANE_Parameters& shape, int channels, GrayPage& page) {
  page.width = shape.pixels_per_line;
  page.height = static_cast<int>(bytes.size() / static_cast<std::size_t>(shape.bytes_per_line));
  page.pixels.resize(static_cast<std::size_t>(page.width) * page.height);
  for (int y = 0; y < page.height; ++y) {
    const std::uint8_t* row = bytes.data() + static_cast<std::size_t>(y) * shape.bytes_per_line;
    for (int x = 0; x < page.width; ++x) {
      const std::size_t at = static_cast<std::size_t>(x) * channels;
      page.pixels[static_cast<std::size_t>(y) * page.width + x] =
          channels == 1 ? sample(row, at, shape.depth)
                        : static_cast<std::uint8_t>((299 * sample(row, at, shape.depth) + 587 * sample(row, at + 1, shape.depth) +
                                                     114 * sample(row, at + 2, shape.depth)) / 1000);
    }
  }
}

ScanResult scan_with(const SaneLibrary& sane, SANE_Handle handle, const std::atomic<bool>& cancelled, GrayPage& page,
                     const HandlersKept& handlers) {
  page.dpi = set_up(sane, handle);
  if (cancelled) return {ScanStatus::cancelled, {}};
  const SANE_Status started = sane.start(handle);
  handlers.put_back();
  if (started != SANE_STATUS_GOOD) return failure(sane, started);
  if (cancelled) {
    sane.cancel(handle);
    return {ScanStatus::cancelled, {}};
  }
  SANE_Parameters shape{};
  sane.parameters(handle, &shape);
  // Three-pass scanners send a colour a frame: the first is taken as gray.
  const int channels = shape.format == SANE_FRAME_RGB ? 3 : 1;
  if (shape.format > SANE_FRAME_BLUE || (shape.depth != 1 && shape.depth != 8 && shape.depth != 16) ||
      shape.pixels_per_line <= 0 || shape.bytes_per_line < (shape.pixels_per_line * channels * shape.depth + 7) / 8) {
    sane.cancel(handle);
    return {ScanStatus::unreadable, {}};
  }
  std::vector<std::uint8_t> bytes;
  std::uint8_t buffer[1 << 16];
  for (;;) {
    SANE_Int length = 0;
    const SANE_Status status = sane.read(handle, buffer, sizeof buffer, &length);
    handlers.put_back();
    if (status == SANE_STATUS_EOF) break;
    if (cancelled || status != SANE_STATUS_GOOD || bytes.size() + length > largest_page) {
      sane.cancel(handle);
      if (cancelled) return {ScanStatus::cancelled, {}};
      return status == SANE_STATUS_GOOD ? ScanResult{ScanStatus::failed, "the page is far too large"} : failure(sane, status);
    }
    bytes.insert(bytes.end(), buffer, buffer + length);
  }
  sane.cancel(handle);
  to_gray(bytes, shape, channels, page);
  return {ScanStatus::scanned, {}};
}

class SaneScanner : public Scanner {
 public:
  ScanResult scan(const std::string& device, const std::atomic<bool>& cancelled, GrayPage& page) override {
    const SaneLibrary* sane = SaneLibrary::load();
    if (sane == nullptr) return {ScanStatus::failed, "I cannot load SANE's library, libsane1"};
    keep_handlers();
    std::string name = device;
    if (name.empty()) {
      const SANE_Device** devices = nullptr;
      const SANE_Status listed = sane->get_devices(&devices, SANE_FALSE);
      handlers_.put_back();
      if (listed != SANE_STATUS_GOOD) return failure(*sane, listed);
      if (devices == nullptr || devices[0] == nullptr) return {ScanStatus::no_scanner, {}};
      name = devices[0]->name;
    }
    SANE_Handle handle = nullptr;
    const SANE_Status opened = sane->open(name.c_str(), &handle);
    handlers_.put_back();
    if (opened == SANE_STATUS_INVAL) return {ScanStatus::no_scanner, device};
    if (opened != SANE_STATUS_GOOD) return failure(*sane, opened);
    set_open(handle);
    const ScanResult result = scan_with(*sane, handle, cancelled, page, handlers_);
    set_open(nullptr);
    sane->close(handle);
    handlers_.put_back();
    return result;
  }

  // SANE allows its cancel from another thread, at any time.
  void cancel() override {
    std::lock_guard lock(mutex_);
    if (open_ == nullptr) return;
    SaneLibrary::load()->cancel(open_);
    handlers_.put_back();
  }

 private:
  void set_open(SANE_Handle handle) {
    std::lock_guard lock(mutex_);
    open_ = handle;
  }
  void keep_handlers() {
    std::lock_guard lock(mutex_);
    handlers_ = HandlersKept();
  }
  std::mutex mutex_;
  SANE_Handle open_ = nullptr;
  HandlersKept handlers_;
};

}  // namespace

std::shared_ptr<Scanner> open_system_scanner() { return std::make_shared<SaneScanner>(); }

}  // namespace sortwell
