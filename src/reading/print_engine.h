#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/scanner.h"

namespace sortwell {

// A line of print as the engine read it, the right way up.
struct PrintedLine {
  std::string text;       // UTF-8
  float size = 0;         // the height of its row, in pixels
  float confidence = 0;   // the engine's, 0 to 100
};

enum class EngineStatus {
  ok,
  no_language_data,  // `detail`: the language ("osd" for orientation)
  no_picture,        // the bytes are no picture the engine knows
  damaged_picture,   // a picture, cut short or broken
  too_large,         // `detail`: "W by H pixels"
  cancelled,
};
struct EngineResult {
  EngineStatus status = EngineStatus::ok;
  std::string detail;
  explicit operator bool() const { return status == EngineStatus::ok; }
};

// The reading engine (tesseract with leptonica). It holds no state between
// readings but the languages loaded, and is used by one thread at a time.
class PrintEngine {
 public:
  virtual ~PrintEngine() = default;
  // Loads the data for `languages` ("eng", "eng+fra") and for orientation
  // from `data_dir` (empty: the engine's own place). Loading the languages
  // already loaded does nothing.
  virtual EngineResult load(const std::string& data_dir, const std::string& languages) = 0;
  // The lines on a page, or in a picture file's bytes, in reading order,
  // any way round: turned upright by the orientation the engine detects.
  // `cancelled` turning true ends the reading within a word: `cancelled`.
  virtual EngineResult read_page(const GrayPage& page, const std::atomic<bool>& cancelled,
                                 std::vector<PrintedLine>& lines) = 0;
  virtual EngineResult read_picture(std::string_view bytes, const std::atomic<bool>& cancelled,
                                    std::vector<PrintedLine>& lines) = 0;
};

// The engine: linked into the program (Windows, the tests), or loaded at
// this first call from its module beside the program, so that start-up
// never pays for it. nullptr where it is not built in (`why` empty) or its
// module cannot be loaded (`why` says why).
std::unique_ptr<PrintEngine> make_print_engine(std::string& why);
// Whether this build has the engine at all.
bool print_engine_built();

}  // namespace sortwell

// The module's one entry: a new engine, owned by the caller.
extern "C" sortwell::PrintEngine* sortwell_new_print_engine();
