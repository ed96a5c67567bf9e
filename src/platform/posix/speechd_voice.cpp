#include "platform/posix/speechd_voice.h"

#include "platform/code_page.h"

namespace sortwell {

using Clock = SpeechdLink::Clock;
using namespace std::chrono_literals;

// How long a sentence cut short is given to be stopped by the server.
constexpr auto cut_wait = 100ms;

SpeechdVoice::Bounds SpeechdVoice::default_bounds() {
  // A working server begins a sentence within milliseconds and plays a blank
  // in a few more; the first prompt then comes within about a second even
  // when the server cannot speak yet. A module that needs seconds to load,
  // or a server the library is starting, proves itself later.
  return {800ms, 2s, 1s, 500ms, 30s, 5s, time_to_speak};
}

SpeechdVoice::SpeechdVoice(const Bounds& bounds, Fallback fallback, bool may_start_server)
    : bounds_(bounds), link_(bounds.retry, may_start_server), make_fallback_(std::move(fallback)) {}

std::unique_ptr<SpeechdVoice> SpeechdVoice::connect(const Bounds& bounds, Fallback fallback, bool may_start_server) {
  if (!SpeechdLink::available()) return nullptr;
  std::unique_ptr<SpeechdVoice> voice(new SpeechdVoice(bounds, std::move(fallback), may_start_server));
  SpeechdLink& link = voice->link_;
  link.connect();
  link.await([&] { return link.connected.has_value(); }, Clock::now() + bounds.connect);
  if (link.connected.value_or(false)) {
    // The proof, within its short bounds for the first prompt.
    const auto begun = [&] { return link.queued && link.begun_or_over(*link.queued); };
    link.await([&] { return link.queued.has_value(); }, Clock::now() + bounds.answer) &&
        link.await(begun, Clock::now() + bounds.proof_begin) &&
        link.await([&] { return link.over(*link.queued); }, Clock::now() + bounds.proof_end);
  }
  voice->catch_up();
  return voice;
}

void SpeechdVoice::connect_again() {
  link_.close();
  link_.connect();
  state_ = State::connecting;
}

void SpeechdVoice::let_go(State state) {
  link_.close();
  state_ = state;
}

void SpeechdVoice::catch_up() {
  link_.take_arrived();
  // A server gone between sentences, or during the proof, is seen here.
  link_.look();
  if ((state_ == State::proving || state_ == State::speaking) && link_.hung_up) return connect_again();
  if (state_ == State::connecting && link_.connected.value_or(false)) {
    state_ = State::proving;
    proving_since_ = Clock::now();
  }
  if (state_ != State::proving || !link_.queued) return;
  // The blank that proves the server speaks, sent with the connection.
  const int proof = *link_.queued;
  if (proof >= 0 && link_.ended.contains(proof)) {
    state_ = State::speaking;
    stalls_.note(true);
  } else if (proof < 0 || link_.cancelled.contains(proof) || Clock::now() - proving_since_ >= bounds_.proof_limit) {
    // Refused, cancelled by the server, or never heard: a server that does
    // not speak, not kept alive by this program.
    let_go(State::without_server);
  }
}

SpeechdVoice::Heard SpeechdVoice::speak_through_server(const std::string& utf8, Keyboard* cut_by) {
  SpeechdLink& link = link_;
  const auto deadline = Clock::now() + bounds_.deadline(utf8.size());
  link.say(utf8);
  // Cut short by a key: this connection's messages, and no other client's,
  // are stopped, and the sound's end is waited for briefly.
  const auto cut = [&] {
    link.cancel();
    const auto stopped = Clock::now() + cut_wait;
    link.await([&] { return link.queued && (*link.queued < 0 || link.over(*link.queued)); }, stopped);
    return Heard::cut;
  };
  const bool answered = link.await([&] { return link.queued.has_value(); }, std::min(deadline, Clock::now() + bounds_.answer), cut_by);
  if (link.cut) return cut();
  if (!answered) {
    if (link.hung_up) return Heard::not_begun;
    if (link.ending) return Heard::stalled;
    // The server may have queued it and speak it yet: so not the fallback.
    link.break_connection();
    return Heard::unanswered;
  }
  if (*link.queued < 0) {
    // Refused, most often by a connection the server has closed: seen now,
    // so that the link connects again.
    link.look();
    return Heard::not_begun;
  }
  const int id = *link.queued;
  const bool begun = link.await([&] { return link.begun_or_over(id); }, deadline, cut_by);
  if (!link.cut && begun && !link.begun.contains(id)) return Heard::not_begun;  // cancelled before it began
  if (!link.cut && !begun) return link.hung_up ? Heard::not_begun : Heard::stalled;
  // Begun: never spoken again, even when the server goes away meanwhile.
  const bool over = link.cut || link.await([&] { return link.over(id); }, deadline, cut_by) || link.hung_up;
  if (link.cut) return cut();
  return over ? Heard::yes : Heard::stalled;
}

Voice* SpeechdVoice::fallback() {
  if (!fallback_ && make_fallback_) {
    fallback_ = make_fallback_();
    if (fallback_) fallback_->set_rate(rate_steps_);
  }
  return fallback_.get();
}

// Ten of the server's -100 to 100 a step, from the user's own rate.
RateRange SpeechdVoice::server_rates() const {
  return {-(100 + link_.configured_rate) / 10, (100 - link_.configured_rate) / 10};
}

RateRange SpeechdVoice::rate_range() {
  if (state_ == State::speaking) return server_rates();
  Voice* voice = fallback();
  return voice != nullptr ? voice->rate_range() : server_rates();
}

void SpeechdVoice::set_rate(int steps) {
  rate_steps_ = steps;
  link_.set_rate(server_rates().within(steps));
  if (fallback_) fallback_->set_rate(steps);
}

bool SpeechdVoice::say(std::string_view sentence, Keyboard* cut_by) {
  // A key typed before the sentence begins leaves it unsaid.
  if (sentence.empty() || (cut_by != nullptr && cut_by->key_arrived())) return true;
  catch_up();
  // A proof under way is about to end: this sentence is the server's.
  if (state_ == State::proving && link_.queued && link_.begun.contains(*link_.queued)) {
    const int proof = *link_.queued;
    link_.await([&] { return link_.over(proof); }, Clock::now() + bounds_.proof_end);
    catch_up();
  }
  if (state_ == State::let_go) return false;
  if (state_ == State::speaking) {
    const Heard heard = speak_through_server(program_code_page().to_utf8(sentence), cut_by);
    if (link_.hung_up || heard == Heard::unanswered) connect_again();
    switch (heard) {
      case Heard::yes:
      case Heard::cut: stalls_.note(true); return true;
      case Heard::not_begun: break;
      case Heard::unanswered: return false;
      case Heard::stalled:
        link_.cancel();
        stalls_.note(false);
        if (stalls_.let_go()) let_go(State::let_go);
        return false;
    }
  }
  Voice* voice = fallback();
  return voice == nullptr || voice->say(sentence, cut_by);
}

SpeechdVoice::~SpeechdVoice() = default;

}  // namespace sortwell
