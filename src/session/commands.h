#pragma once

#include <string>

#include "console/console.h"
#include "platform/clock.h"
#include "platform/folder_watch.h"
#include "session/last_entry.h"
#include "platform/voice.h"

namespace sortwell {

// The prompt's one-letter commands. Each returns the sentence that stays
// pending, to be heard again before the next prompt. What they say at once
// a key on `cut_by` (where given) cuts short.

// "?": prints and speaks the help; then the ready sentence is pending.
std::string show_help(Console& console, Voice& voice, Keyboard* cut_by);
// "g" and "e": flips `mode` and says so at once; nothing stays pending.
std::string toggle_mode(Voice& voice, Keyboard* cut_by, bool& mode, const char* on_sentence, const char* off_sentence);
// "x": deletes the record file of the last lookup, once it is done saying so
// at once, whole; the sentence stays pending, so it is heard twice. A file another
// copy holds, or one put in the place of the one looked up, is left alone.
// One that cannot be opened or deleted is told with its reason and stays
// the last entry. Its calls to the folder are asked through `watch`, where given.
std::string remove_last_entry(Console& console, Voice& voice, LastEntry& last_entry, FolderWatch* watch = nullptr);
// "y": the time and date, heard before the next prompt.
std::string time_and_date(Clock& clock);

}  // namespace sortwell
