// What a user does, for tests that drive windows: real mouse and keyboard input (SendInput) and
// waiting with a deadline for a window or a state. The input goes to whatever window lies under
// the pointer or has the focus, as a user's would.
#pragma once
#include <windows.h>
#include <functional>
#include <string>

void MouseMove(int x, int y);
void MouseDown(int x, int y, bool right = false);
void MouseUp(int x, int y, bool right = false);
void Click(int x, int y, bool right = false);
// A left drag from (x0, y0) to (x1, y1) in steps.
void Drag(int x0, int y0, int x1, int y1, int steps = 8);
void PressKey(WORD vk);

// The centre of a window's rectangle, or of a rectangle in its client coordinates, on the screen.
POINT ScreenCentre(HWND window);
POINT ClientToScreenPoint(HWND window, int x, int y);

// Polls condition every 20 ms until it holds or timeoutMs passed; true when it held. With pump
// set the calling thread's messages are dispatched between polls.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs, bool pump = false);
// A visible top-level window of the class and title (either may be null), or null at the
// deadline.
HWND WaitForWindow(const wchar_t* className, const wchar_t* title, DWORD timeoutMs);
// The window's text.
std::wstring WindowTextOf(HWND window);

// Runs user on a thread of its own while ui runs on the calling thread (a modal loop, say), and
// waits for the user thread to end. ui runs first, user may wait for its windows.
void WithUser(const std::function<void()>& ui, const std::function<void()>& user);
