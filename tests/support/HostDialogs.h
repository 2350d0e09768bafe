#pragma once
// The host program's dialogs (Save As, message boxes) as a user answers them:
// found among the windows of its process, typed into and pressed with window
// messages.
#include <windows.h>

#include <string>
#include <vector>

namespace tessary::test {

std::wstring WindowText(HWND window);
// The visible dialog windows of the process with that title (any for an empty one).
std::vector<HWND> VisibleDialogs(DWORD process, const std::wstring& title);
// The edit control of a Save As dialog's file name box.
HWND FileNameEdit(HWND dialog);
// A click on the dialog's button with that control id, from the queue.
void PressButton(HWND dialog, int id);
// Types the path into the file name box and presses OK.
void ChooseFile(HWND dialog, const std::wstring& path);

}  // namespace tessary::test
