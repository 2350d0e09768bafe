#pragma once
// Message boxes of other processes or threads, handled as a user handles them:
// found by their caption among the visible windows, read, and answered by
// clicking one of their buttons.
#include <windows.h>

#include <string>

namespace tessary::test {

struct MessageBoxWindow {
  HWND window = nullptr;
  std::wstring text;
  HWND owner = nullptr;
};

// The first visible message box with that caption; a null window when none
// is shown (now, or within the time).
MessageBoxWindow FindMessageBox(const std::wstring& caption);
MessageBoxWindow WaitForMessageBox(const std::wstring& caption, DWORD timeoutMs = 30000);

// Clicks the button (IDYES, IDNO, ...) and waits until the box has closed.
bool PressButton(HWND box, int button, DWORD timeoutMs = 10000);

// Answers every box with that caption that is still shown; how many there were.
int DismissMessageBoxes(const std::wstring& caption, int button);

}  // namespace tessary::test
