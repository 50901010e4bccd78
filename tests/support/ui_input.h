// Real user input and screen reads for end-to-end tests: keys and clicks through SendInput and
// SetCursorPos, the foreground window, and pixels grabbed from the screen.
#pragma once
#include <windows.h>
#include <string>

// Makes window the foreground window and waits (with a deadline) until it is.
bool BringToFront(HWND window, DWORD timeoutMs = 5000);
// Presses and releases a virtual key (with Ctrl, Shift or Alt held when given).
void PressKey(WORD key, WORD modifier = 0);
// Types text as Unicode key events into the focused control.
void TypeText(const std::wstring& text);
// Moves the mouse to a screen point and clicks it (left button unless right is set).
void ClickAt(POINT screen, bool right = false);
void DoubleClickAt(POINT screen);
// Clicks the middle of a window (a control, say).
void ClickWindow(HWND window);
POINT CenterOf(HWND window);

// Counts the pixels of a screen rectangle whose red, green and blue each lie within tolerance
// of colour.
int CountScreenPixels(const RECT& screen, COLORREF colour, int tolerance = 0);
