#pragma once

namespace sortwell {

// Whether the program has been told to end: POSIX, by SIGHUP, SIGTERM,
// SIGINT or SIGQUIT; Windows, by the console's close, a log-off or a
// shutdown. Once told, it stays told. Whatever waits on the world then stops
// waiting (a sentence being spoken, the quit's pauses), nothing more is
// spoken, and the session saves what is open and ends.
bool told_to_end();

// Tells it. Safe in a signal handler and from any thread.
void tell_to_end();

// Ends the program at once, without another word, for a wait that was told
// to end while a call it cannot interrupt still holds it (folder_watch.h):
// `at_end_now`'s step is taken (the terminal given back), every descriptor
// is let go, so that the task left with the call holds nothing of the
// user's (the terminal, a pipe, the speech server), and the exit status is
// `status`.
[[noreturn]] void end_now(int status = 0);
// The one step `end_now` takes first; null for none.
void at_end_now(void (*step)());

// An edit opened (true) or closed (false): where the system asks programs
// before it ends the session (Windows), it is told why this one needs a
// moment. Nothing elsewhere.
void note_open_edit(bool open);

}  // namespace sortwell
