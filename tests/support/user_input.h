// What a user does with mouse and keyboard, for tests that drive windows: real input through
// SendInput (and SetCursorPos where noted). The input goes to whatever window lies under the
// pointer or has the focus, as a user's would.
#pragma once
#include <windows.h>
#include <functional>
#include <initializer_list>
#include <string>

// ---- the mouse, positioned with each event ----
// A move event to (x, y), then the cursor set there.
void MouseMove(int x, int y);
void MouseDown(int x, int y, bool right = false);
void MouseUp(int x, int y, bool right = false);
void Click(int x, int y, bool right = false);
// A left drag from (x0, y0) to (x1, y1) in steps.
void Drag(int x0, int y0, int x1, int y1, int steps = 8);

// ---- the mouse, one event at a time ----
// One absolute move event to pixel (x, y) and nothing else.
void SendMouseMove(int x, int y);
// One button event (MOUSEEVENTF_LEFTDOWN, ...) where the pointer is.
void SendMouseButton(DWORD flags);
// A move event, then waits until the cursor is there and the window under it took the move.
void MouseMoveAndWait(int x, int y);
// A left press or release where the pointer is, with time for the window to take it.
void LeftDown();
void LeftUp();
// Press at from, move through each point in turn (MouseMoveAndWait), release at the last.
void DragThrough(const POINT& from, std::initializer_list<POINT> through);
// The cursor set to from, then a left drag to `to` in ten cursor steps, each with a move event.
void DragCursor(POINT from, POINT to);

// ---- clicks at the cursor set with SetCursorPos ----
// Sets the cursor on a screen point and clicks it (left button unless right is set).
void ClickAt(POINT screen, bool right = false);
void DoubleClickAt(POINT screen);
// Clicks the middle of a window (a control, say).
void ClickWindow(HWND window);

// ---- the keyboard ----
// Presses and releases a virtual key (with Ctrl, Shift or Alt held when given).
void PressKey(WORD key, WORD modifier = 0);
// Types text as Unicode key events into the focused control.
void TypeText(const std::wstring& text);

// ---- windows and points ----
// Makes window the foreground window and waits (with a deadline) until it is.
bool BringToFront(HWND window, DWORD timeoutMs = 5000);
// The centre of a window's rectangle on the screen.
POINT CenterOf(HWND window);
// A point in window's client coordinates, on the screen.
POINT ClientToScreenPoint(HWND window, int x, int y);

// ---- input from a thread of its own ----
// Runs user on a thread of its own while ui runs on the calling thread (a modal loop, say), and
// waits for the user thread to end. ui runs first, user may wait for its windows.
void WithUser(const std::function<void()>& ui, const std::function<void()>& user);
// Runs user on a thread of its own while the calling thread keeps its messages flowing, until
// user is done or timeoutMs passed.
void AsUser(const std::function<void()>& user, DWORD timeoutMs = 60000);
// Runs input on a thread of its own while this thread keeps its messages flowing (so a modal loop
// on it, such as the system's window drag, sees the input); returns when the input is done and
// its messages have been handled.
void WithInput(const std::function<void()>& input);
