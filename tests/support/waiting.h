// Waiting in tests, always with a deadline: sleeping waits for a state another thread or process
// brings about, pumping waits for windows of the test's own thread (whose messages must flow), and
// top-level windows found by class and title.
#pragma once
#include <windows.h>
#include <functional>
#include <string>

// Polls predicate every periodMs until it holds or timeoutMs pass, sleeping between polls (the
// calling thread's messages wait); true when it held.
bool WaitUntil(const std::function<bool()>& predicate, DWORD timeoutMs, DWORD periodMs = 10);

// Dispatches the calling thread's waiting messages once and flushes GDI.
void Pump();
// Keeps the calling thread's messages flowing for ms milliseconds.
void PumpFor(DWORD ms);
// Keeps the calling thread's messages flowing until predicate holds or timeoutMs pass; true when
// it held.
bool PumpUntil(const std::function<bool()>& predicate, DWORD timeoutMs = 10000);

// A visible top-level window of the class and title (either may be null), or null at the
// deadline.
HWND WaitForWindow(const wchar_t* className, const wchar_t* title, DWORD timeoutMs);
// The window's text through WM_GETTEXT, which works across threads and processes for every kind
// of window.
std::wstring WindowTextOf(HWND window);
