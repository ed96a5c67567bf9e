#include "platform/posix/espeak_voice.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "console/console.h"
#include "platform/posix/fd_keyboard.h"
#include "session/shown_voice.h"
#include "support/scripted_keyboard.h"
#include "support/virtual_terminal.h"

namespace sortwell {
namespace {

// The real engine, synthesising into memory: no sound device needed. One
// engine per process, so one voice for every test here.
struct Samples {
  std::vector<short> all;
  std::size_t count() const { return all.size(); }
  // From the first to the last audible sample: the speech without its pauses.
  std::size_t voiced_span() const {
    std::size_t first = 0;
    std::size_t last = all.size();
    while (first < all.size() && std::abs(all[first]) < 50) ++first;
    while (last > first && std::abs(all[last - 1]) < 50) --last;
    return last - first;
  }
  int loudest() const {
    int peak = 0;
    for (short s : all) peak = std::max(peak, std::abs(static_cast<int>(s)));
    return peak;
  }
};

Samples& heard() {
  static Samples samples;
  return samples;
}

// Set, the sink blocks as a stopped sound server does.
std::atomic<bool> stalled{false};
// Set, the sink takes its samples as fast as a device plays them.
std::atomic<bool> paced{false};

EspeakVoice& voice() {
  static EspeakVoice engine(
      [](const short* samples, int count) {
        while (stalled) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        if (paced) std::this_thread::sleep_for(std::chrono::microseconds(count * 1000000LL / 22050));
        heard().all.insert(heard().all.end(), samples, samples + count);
        return true;
      },
      [](std::size_t) { return std::chrono::milliseconds(1000); });
  return engine;
}

constexpr std::size_t rate = 22050;

std::size_t samples_for(std::string_view sentence) {
  heard().all.clear();
  voice().say(sentence, nullptr);
  return heard().count();
}

TEST(EspeakVoice, TheEngineStarts) { ASSERT_TRUE(voice().ready()); }

TEST(EspeakVoice, ASentenceBecomesAudioOfPlausibleLength) {
  const std::size_t count = samples_for("Acme offers soap quantity  3 bin number  7 as category  4");
  EXPECT_GT(count, rate * 2);   // about twenty syllables take more than two seconds
  EXPECT_LT(count, rate * 10);
  EXPECT_GT(heard().loudest(), 1000);
}

TEST(EspeakVoice, LongerSentencesTakeLonger) {
  EXPECT_LT(samples_for("ok"), samples_for("I now need you to tell me about your current coupon please."));
}

// The engine varies a sentence by a few samples from one call to the next,
// and the pause after it by what came before; a voice, rate or pitch carried
// over would change the speech itself by far more.
TEST(EspeakVoice, NothingCarriesOverFromOneSentenceToTheNext) {
  samples_for("ghost mode activated");
  const double first = static_cast<double>(heard().voiced_span());
  for (const char* between : {"<speak><prosody rate='x-slow' pitch='x-high'>slow</prosody></speak>",
                              "a b c d e f g h i j k l m n o p", "<voice gender='female'>hello</voice>"}) {
    samples_for(between);
    samples_for("ghost mode activated");
    EXPECT_NEAR(static_cast<double>(heard().voiced_span()), first, first * 0.01) << between;
  }
}

TEST(EspeakVoice, MarkupIsReadAsPlainText) {
  const double plain = static_cast<double>(samples_for("markup is read as text"));
  EXPECT_GT(static_cast<double>(samples_for("<speak>markup is read as text</speak>")), plain * 1.3);
}

std::string first_samples(const char* how) {
  std::FILE* tool = popen((std::string(ESPEAK_FIRST_SAMPLES) + " " + how + " 2>/dev/null").c_str(), "r");
  std::string samples;
  for (int c = std::fgetc(tool); c != EOF; c = std::fgetc(tool)) samples += static_cast<char>(c);
  pclose(tool);
  return samples;
}

// The voice is chosen by its file rather than searched for by name: the
// speech is the same to the last sample.
TEST(EspeakVoice, SpeaksExactlyAsTheEnginesDefaultVoice) {
  const std::string engine = first_samples("engine");
  ASSERT_GT(engine.size(), rate);
  EXPECT_TRUE(first_samples("voice") == engine);
}

TEST(EspeakVoice, TheEmptySentenceIsSilent) { EXPECT_EQ(samples_for(""), 0u); }

TEST(EspeakVoice, CodePageLettersAreSpoken) {
  EXPECT_GT(samples_for("caf\xe9 cr\xe8me \x80"), rate / 2);
}

// A key typed while a sentence is heard cuts it short and is kept for the
// next line, which is heard whole; a key typed before it leaves it unsaid.
TEST(EspeakVoice, TheNextKeyCutsASentenceShortAndIsKept) {
  const std::string sentence = "Acme offers Corn Flakes 12 ounce quantity 3 bin number 7 as category 5";
  const std::size_t whole = samples_for(sentence);
  samples_for("7.");
  const double next = static_cast<double>(heard().voiced_span());
  // The keys come down a pipe, as a terminal's do.
  int keys[2];
  ASSERT_EQ(pipe(keys), 0);
  FdKeyboard keyboard(keys[0]);
  paced = true;
  std::thread typist([&] { std::this_thread::sleep_for(std::chrono::milliseconds(500)), write(keys[1], "4", 1); });
  heard().all.clear();
  EXPECT_TRUE(voice().say(sentence, &keyboard));
  typist.join();
  paced = false;
  EXPECT_TRUE(heard().count() > 0 && heard().count() < whole / 2) << heard().count() << " of " << whole;
  samples_for("7.");
  EXPECT_NEAR(static_cast<double>(heard().voiced_span()), next, next * 0.01);
  heard().all.clear();
  EXPECT_TRUE(voice().say(sentence, &keyboard));
  EXPECT_EQ(heard().count(), 0u);
  EXPECT_EQ(keyboard.wait_key(), Key::character('4'));
  close(keys[0]);
  close(keys[1]);
}

// 25 words a minute a step, from 80 to 450, and back to the default.
TEST(EspeakVoice, TheRateStepsWithinTheEnginesRange) {
  const std::string sentence = "Acme offers Corn Flakes 12 ounce quantity 3 bin number 7 as category 5";
  EXPECT_EQ(std::pair(voice().rate_range().slowest, voice().rate_range().fastest), std::pair(-4, 11));
  const double normal = static_cast<double>(samples_for(sentence));
  voice().set_rate(11);
  EXPECT_LT(samples_for(sentence), normal * 0.6);
  voice().set_rate(-4);
  EXPECT_GT(samples_for(sentence), normal * 1.6);
  voice().set_rate(0);
  EXPECT_NEAR(samples_for(sentence), normal, normal * 0.01);
}

// Stalled audio holds no sentence past its deadline: it is shown instead,
// the second stall in a row lets the voice go for the run, and a voice told
// to end stops waiting at once. Last here: it lets the one engine go.
TEST(EspeakVoice, StalledAudioHoldsNoSentencePastItsDeadline) {
  EXPECT_EQ(std::system((std::string(ESPEAK_FIRST_SAMPLES) + " 'told to end'").c_str()), 0);
  stalled = true;
  testing::ScriptedKeyboard keyboard;
  testing::VirtualTerminal screen;
  Console console(keyboard, screen);
  HeardOrShown voice_or_screen(voice(), console);
  for (const char* sentence : {"ghost mode activated", "ok"}) {
    const auto start = std::chrono::steady_clock::now();
    speak(voice_or_screen, sentence);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GT(took, std::chrono::milliseconds(900));
    EXPECT_LT(took, std::chrono::milliseconds(1500));
  }
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(voice().say("let go", nullptr));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
  EXPECT_EQ(screen.rows(), (std::vector<std::string>{"ghost mode activated", "ok", ""}));
  // The worker stays in the stalled sink until the process ends, as with a
  // device stalled at exit: woken, it would write into samples that exit is
  // destroying.
}

}  // namespace
}  // namespace sortwell
