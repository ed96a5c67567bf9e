// The reading engine over tesseract's C++ API and leptonica. On POSIX this
// is a module of its own, loaded at the first reading; it uses nothing of
// the program but the header it implements.
#include <leptonica/allheaders.h>
#include <tesseract/baseapi.h>
#include <tesseract/ocrclass.h>
#include <tesseract/resultiterator.h>

#include <algorithm>

#include "reading/print_engine.h"

namespace sortwell {
namespace {

// Far beyond a photo of a coupon (a 50-megapixel phone takes 8192 by 6144),
// and far below what would exhaust memory.
constexpr l_int32 largest_side = 30000;
constexpr double most_pixels = 120e6;
// A reading this sure is the right way up; below it, upside down is tried too.
constexpr int sure_confidence = 60;

struct PixDeleter {
  void operator()(Pix* pix) const { pixDestroy(&pix); }
};
using PixPointer = std::unique_ptr<Pix, PixDeleter>;

bool cancel_asked(void* cancelled, int) { return static_cast<const std::atomic<bool>*>(cancelled)->load(); }

std::vector<std::string> parts_of(const std::string& languages) {
  std::vector<std::string> parts;
  for (std::size_t begin = 0; begin <= languages.size();) {
    const std::size_t end = std::min(languages.find('+', begin), languages.size());
    parts.push_back(languages.substr(begin, end - begin));
    begin = end + 1;
  }
  return parts;
}

class TesseractEngine : public PrintEngine {
 public:
  TesseractEngine() { setMsgSeverity(L_SEVERITY_NONE); }

  EngineResult load(const std::string& data_dir, const std::string& languages) override {
    if (loaded_ == languages) return {};
    loaded_.clear();
    const char* dir = data_dir.empty() ? nullptr : data_dir.c_str();
    if (!osd_ready_ && osd_.Init(dir, "osd") != 0) return {EngineStatus::no_language_data, "osd"};
    osd_ready_ = true;
    const std::vector<std::string> wanted = parts_of(languages);
    if (text_.Init(dir, languages.c_str()) != 0) return {EngineStatus::no_language_data, wanted.front()};
    // A language whose data is missing is left out when another loads.
    std::vector<std::string> got;
    text_.GetLoadedLanguagesAsVector(&got);
    for (const std::string& language : wanted) {
      if (std::find(got.begin(), got.end(), language) == got.end()) return {EngineStatus::no_language_data, language};
    }
    loaded_ = languages;
    return {};
  }

  EngineResult read_page(const GrayPage& page, const std::atomic<bool>& cancelled,
                         std::vector<PrintedLine>& lines) override {
    PixPointer pix(pixCreate(page.width, page.height, 8));
    if (!pix || page.pixels.size() != static_cast<std::size_t>(page.width) * page.height) {
      return {EngineStatus::damaged_picture, {}};
    }
    for (int y = 0; y < page.height; ++y) {
      l_uint32* row = pixGetData(pix.get()) + static_cast<std::size_t>(y) * pixGetWpl(pix.get());
      const std::uint8_t* from = page.pixels.data() + static_cast<std::size_t>(y) * page.width;
      for (int x = 0; x < page.width; ++x) SET_DATA_BYTE(row, x, from[x]);
    }
    return read(pix.get(), page.dpi, cancelled, lines);
  }

  EngineResult read_picture(std::string_view bytes, const std::atomic<bool>& cancelled,
                            std::vector<PrintedLine>& lines) override {
    const auto* data = reinterpret_cast<const l_uint8*>(bytes.data());
    l_int32 format = 0, width = 0, height = 0, bits = 0, samples = 0, colormap = 0;
    if (bytes.empty() || pixReadHeaderMem(data, bytes.size(), &format, &width, &height, &bits, &samples, &colormap) != 0) {
      return {EngineStatus::no_picture, {}};
    }
    // A tiny file may claim any size: it is refused before anything is made.
    if (width <= 0 || height <= 0 || width > largest_side || height > largest_side ||
        static_cast<double>(width) * height > most_pixels) {
      return {EngineStatus::too_large, std::to_string(width) + " by " + std::to_string(height) + " pixels"};
    }
    PixPointer pix(pixReadMem(data, bytes.size()));
    if (!pix) return {EngineStatus::damaged_picture, {}};
    return read(pix.get(), pixGetXRes(pix.get()), cancelled, lines);
  }

 private:
  // Detects which way up the print lies, turns it upright and reads it. Upside
  // down is the turn detection most often gets wrong: where the reading is
  // unsure, the other way is read too and the surer one kept.
  EngineResult read(Pix* picture, int dpi, const std::atomic<bool>& cancelled, std::vector<PrintedLine>& lines) {
    PixPointer gray(pixConvertTo8(picture, 0));
    if (!gray) return {EngineStatus::damaged_picture, {}};
    // Dots per inch from a file are often missing or nonsense: then the engine estimates.
    dpi = dpi >= 70 && dpi <= 2400 ? dpi : 0;
    int degrees = 0;
    float orientation_confidence = 0, script_confidence = 0;
    const char* script = nullptr;
    osd_.SetImage(gray.get());
    if (dpi > 0) osd_.SetSourceResolution(dpi);
    // Too little print shows no orientation: it is then read as it lies.
    if (!osd_.DetectOrientationScript(&degrees, &orientation_confidence, &script, &script_confidence)) degrees = 0;
    osd_.Clear();
    float best = -1;
    for (const int turn : {degrees, (degrees + 180) % 360}) {
      // The engine gives the clockwise turn of the print; it is turned back.
      PixPointer upright(turn == 0 ? pixClone(gray.get()) : pixRotateOrth(gray.get(), (360 - turn) / 90 % 4));
      std::vector<PrintedLine> found;
      float confidence = 0;
      if (const EngineResult result = recognize(upright.get(), dpi, cancelled, found, confidence); !result) return result;
      if (confidence > best) {
        best = confidence;
        lines = std::move(found);
      }
      if (lines.empty() || best >= sure_confidence) break;
    }
    return {};
  }

  EngineResult recognize(Pix* upright, int dpi, const std::atomic<bool>& cancelled, std::vector<PrintedLine>& lines,
                         float& confidence) {
    text_.SetPageSegMode(tesseract::PSM_AUTO);
    text_.SetImage(upright);
    if (dpi > 0) text_.SetSourceResolution(dpi);
    tesseract::ETEXT_DESC monitor;
    monitor.cancel = cancel_asked;
    monitor.cancel_this = const_cast<std::atomic<bool>*>(&cancelled);
    const bool recognized = text_.Recognize(&monitor) == 0;
    if (cancelled.load()) {
      text_.Clear();
      return {EngineStatus::cancelled, {}};
    }
    std::unique_ptr<tesseract::ResultIterator> line(recognized ? text_.GetIterator() : nullptr);
    if (line != nullptr && !line->Empty(tesseract::RIL_TEXTLINE)) {
      do {
        const std::unique_ptr<char[]> text(line->GetUTF8Text(tesseract::RIL_TEXTLINE));
        float height = 0, descenders = 0, ascenders = 0;
        line->RowAttributes(&height, &descenders, &ascenders);
        if (text != nullptr) lines.push_back({text.get(), height, line->Confidence(tesseract::RIL_TEXTLINE)});
      } while (line->Next(tesseract::RIL_TEXTLINE));
    }
    confidence = static_cast<float>(text_.MeanTextConf());
    line.reset();
    text_.Clear();
    return {};
  }

  tesseract::TessBaseAPI osd_;
  tesseract::TessBaseAPI text_;
  bool osd_ready_ = false;
  std::string loaded_;
};

}  // namespace
}  // namespace sortwell

extern "C" sortwell::PrintEngine* sortwell_new_print_engine() { return new sortwell::TesseractEngine(); }
