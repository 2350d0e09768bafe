#include "HostDialogs.h"

#include <functional>
#include <utility>

namespace tessary::test {
namespace {

constexpr int kFileNameBox = 0x47C;  // cmb13, the file name combo box with its edit control

bool HasClass(HWND window, const wchar_t* name) {
  wchar_t found[64] = {};
  ::GetClassNameW(window, found, ARRAYSIZE(found));
  return lstrcmpW(found, name) == 0;
}

HWND FindChild(HWND parent, const std::function<bool(HWND)>& match) {
  std::pair<const std::function<bool(HWND)>*, HWND> search{&match, nullptr};
  ::EnumChildWindows(
      parent,
      [](HWND window, LPARAM p) {
        auto* s = reinterpret_cast<decltype(search)*>(p);
        if ((*s->first)(window)) s->second = window;
        return s->second ? FALSE : TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.second;
}

}  // namespace

std::wstring WindowText(HWND window) {
  wchar_t text[1024] = {};
  if (window) ::SendMessageW(window, WM_GETTEXT, ARRAYSIZE(text), reinterpret_cast<LPARAM>(text));
  return text;
}

std::vector<HWND> VisibleDialogs(DWORD process, const std::wstring& title) {
  struct Search {
    DWORD process;
    const std::wstring& title;
    std::vector<HWND> found;
  } search{process, title, {}};
  ::EnumWindows(
      [](HWND window, LPARAM p) {
        auto* s = reinterpret_cast<Search*>(p);
        DWORD owner = 0;
        ::GetWindowThreadProcessId(window, &owner);
        if (owner == s->process && ::IsWindowVisible(window) && HasClass(window, L"#32770") &&
            (s->title.empty() || WindowText(window) == s->title)) {
          s->found.push_back(window);
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND FileNameEdit(HWND dialog) {
  return FindChild(dialog, [](HWND w) { return ::GetDlgCtrlID(w) == kFileNameBox && HasClass(w, L"Edit"); });
}

void PressButton(HWND dialog, int id) {
  ::PostMessageW(FindChild(dialog, [id](HWND w) { return ::GetDlgCtrlID(w) == id && HasClass(w, L"Button"); }),
                 BM_CLICK, 0, 0);
}

void ChooseFile(HWND dialog, const std::wstring& path) {
  ::SendMessageW(FileNameEdit(dialog), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
  PressButton(dialog, IDOK);
}

}  // namespace tessary::test
