#include "platform/system_voice.h"

#include "platform/posix/espeak_voice.h"

namespace sortwell {

std::unique_ptr<Voice> open_system_voice() { return std::make_unique<EspeakVoice>(); }

}  // namespace sortwell
