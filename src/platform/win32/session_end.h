#pragma once

namespace sortwell {

// Windows ends a console program in three ways: its console closed (a
// control event), and a log-off or a shutdown (WM_QUERYENDSESSION and
// WM_ENDSESSION to its top-level windows: the control events for those never
// reach a program that has loaded user32.dll, as COM for SAPI does). Each
// tells the program to end at once (`tell_to_end`: no more speech, no
// pauses, the open edit saved) and holds Windows off, as long as it allows,
// until `session_over`. Started once, before the session.
void watch_for_the_end();
// The session has saved what was open and let go: Windows may end the
// process now.
void session_over();

}  // namespace sortwell
