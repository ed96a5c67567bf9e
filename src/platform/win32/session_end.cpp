#include "platform/win32/session_end.h"

#include <windows.h>

#include <atomic>
#include <future>
#include <thread>

#include "platform/ending.h"

namespace sortwell {
namespace {

// Set once the session is over; what Windows' handlers wait for.
HANDLE over_event() {
  static const HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  return event;
}

// The hidden window's, once it exists: edits open and close from the
// session's thread, and the block reason belongs to the window's thread.
std::atomic<HWND> end_window = nullptr;
constexpr UINT edit_changed = WM_APP + 1;

// Ends the session and waits for it: a close gives a handler about five
// seconds, and a log-off or shutdown ends the process once WM_ENDSESSION
// returns.
void end_and_wait() {
  tell_to_end();
  WaitForSingleObject(over_event(), 4500);
}

// Ctrl+C and Ctrl+Break are keys, not interrupts.
BOOL WINAPI on_console_event(DWORD event) {
  if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) return TRUE;
  end_and_wait();
  return TRUE;
}

LRESULT CALLBACK on_window_message(HWND window, UINT message, WPARAM w, LPARAM l) {
  switch (message) {
    case WM_QUERYENDSESSION: return TRUE;
    case WM_ENDSESSION:
      if (w) end_and_wait();
      return 0;
    case edit_changed:
      // While an edit is open, Windows shows why before it ends the session.
      if (w) ShutdownBlockReasonCreate(window, L"Sortwell is saving the coupon being edited.");
      else ShutdownBlockReasonDestroy(window);
      return 0;
    default: return DefWindowProcW(window, message, w, l);
  }
}

// A hidden top-level window (message-only windows get no session messages)
// and its message loop, on a thread of its own for the whole run. `made` is
// the thread's own, set once the window exists, also after a start slower
// than watch_for_the_end's wait.
void run_end_window(std::promise<void> made) {
  WNDCLASSW window_class{};
  window_class.lpfnWndProc = on_window_message;
  window_class.hInstance = GetModuleHandleW(nullptr);
  window_class.lpszClassName = L"SortwellSessionEnd";
  RegisterClassW(&window_class);
  end_window = CreateWindowExW(0, window_class.lpszClassName, L"Sortwell", WS_OVERLAPPED, 0, 0, 0, 0, nullptr, nullptr,
                               window_class.hInstance, nullptr);
  made.set_value();
  MSG message;
  while (end_window != nullptr && GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

}  // namespace

void watch_for_the_end() {
  SetConsoleCtrlHandler(on_console_event, TRUE);
  std::promise<void> made;
  const std::future<void> window_made = made.get_future();
  std::thread(run_end_window, std::move(made)).detach();
  window_made.wait_for(std::chrono::seconds(2));
}

void session_over() { SetEvent(over_event()); }

void note_open_edit(bool open) {
  if (const HWND window = end_window; window != nullptr) PostMessageW(window, edit_changed, open ? 1 : 0, 0);
}

}  // namespace sortwell
