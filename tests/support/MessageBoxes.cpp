#include "MessageBoxes.h"

#include "TestEnvironment.h"

namespace tessary::test {
namespace {

// The dialog class of message boxes, and the identifier of their text.
constexpr wchar_t kDialogClass[] = L"#32770";
constexpr int kTextId = 0xFFFF;

std::wstring WindowText(HWND window) {
  wchar_t text[1024] = {};
  ::GetWindowTextW(window, text, ARRAYSIZE(text));
  return text;
}

HWND FindBoxWindow(const std::wstring& caption) {
  struct Search {
    const std::wstring& caption;
    HWND found;
  } search = {caption, nullptr};
  ::EnumWindows(
      [](HWND window, LPARAM context) -> BOOL {
        auto* search = reinterpret_cast<Search*>(context);
        wchar_t name[16] = {};
        if (!::IsWindowVisible(window) || !::GetClassNameW(window, name, ARRAYSIZE(name)) ||
            wcscmp(name, kDialogClass) != 0 || WindowText(window) != search->caption) {
          return TRUE;
        }
        search->found = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

}  // namespace

MessageBoxWindow FindMessageBox(const std::wstring& caption) {
  MessageBoxWindow box;
  box.window = FindBoxWindow(caption);
  if (!box.window) return box;
  wchar_t text[1024] = {};
  ::GetDlgItemTextW(box.window, kTextId, text, ARRAYSIZE(text));
  box.text = text;
  box.owner = ::GetWindow(box.window, GW_OWNER);
  return box;
}

MessageBoxWindow WaitForMessageBox(const std::wstring& caption, DWORD timeoutMs) {
  MessageBoxWindow box;
  WaitUntil([&] { return (box = FindMessageBox(caption)).window != nullptr; }, timeoutMs);
  return box;
}

bool PressButton(HWND box, int button, DWORD timeoutMs) {
  const HWND control = ::GetDlgItem(box, button);
  if (!control) return false;
  // The click a button gets from the mouse: down and up on its client area.
  DWORD_PTR ignored = 0;
  ::SendMessageTimeoutW(control, BM_CLICK, 0, 0, SMTO_NORMAL, timeoutMs, &ignored);
  return WaitUntil([&] { return !::IsWindow(box); }, timeoutMs);
}

int DismissMessageBoxes(const std::wstring& caption, int button) {
  int count = 0;
  for (HWND box; (box = FindBoxWindow(caption)) != nullptr && count < 10; ++count) PressButton(box, button);
  return count;
}

}  // namespace tessary::test
