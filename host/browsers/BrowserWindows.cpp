#include "BrowserWindows.h"

#include <shlwapi.h>

#include <algorithm>

#include "Bstr.h"

namespace tessary::host {
namespace {

BOOL CALLBACK Visit(HWND window, LPARAM visitor) {
  return (*reinterpret_cast<const std::function<bool(HWND)>*>(visitor))(window) ? TRUE : FALSE;
}

// The window's children, of the class or (for null) of any.
std::vector<HWND> Children(HWND window, const wchar_t* className) {
  std::vector<HWND> children;
  for (HWND child = nullptr; (child = ::FindWindowExW(window, child, className, nullptr));) children.push_back(child);
  return children;
}

bool Contains(const std::vector<HWND>& windows, HWND window) {
  return std::find(windows.begin(), windows.end(), window) != windows.end();
}

void CollectDescendants(HWND window, const wchar_t* className, const wchar_t* barren, std::vector<HWND>* found) {
  const std::vector<HWND> children = Children(window, nullptr);
  if (children.empty()) return;
  // The system picks the children of a class itself; the names of the others
  // are never read, which for another process's window costs a round trip.
  const std::vector<HWND> matches = Children(window, className);
  const std::vector<HWND> skipped = Children(window, barren);
  for (HWND match : matches) {
    // The system's comparison ignores case; the class name is a contract.
    if (HasWindowClass(match, className)) found->push_back(match);
  }
  for (HWND child : children) {
    if (!Contains(matches, child) && !Contains(skipped, child)) CollectDescendants(child, className, barren, found);
  }
}

}  // namespace

// Found by class rather than by asking each top-level window for its class:
// where reading another process's window is a round trip to the system, as
// under Wine, that is most of setIcon's time. A frame that closes while they
// are listed ends the search after it; it starts again from the front.
std::vector<HWND> FrameWindows() {
  std::vector<HWND> frames;
  for (HWND after = nullptr;;) {
    const HWND frame = ::FindWindowExW(nullptr, after, kFrameWindowClass, nullptr);
    if (!frame && after && !::IsWindow(after)) {
      after = nullptr;
      continue;
    }
    if (!frame) return frames;
    // The system compares class names without regard to case; a frame's is
    // compared exactly.
    if (HasWindowClass(frame, kFrameWindowClass) && std::find(frames.begin(), frames.end(), frame) == frames.end()) {
      frames.push_back(frame);
    }
    after = frame;
  }
}

void ForEachDescendant(HWND window, const std::function<bool(HWND)>& visit) {
  ::EnumChildWindows(window, &Visit, reinterpret_cast<LPARAM>(&visit));
}

std::vector<HWND> FindDescendants(HWND window, const wchar_t* className, const wchar_t* barren) {
  std::vector<HWND> found;
  CollectDescendants(window, className, barren, &found);
  return found;
}

bool IsInternetExplorer(IWebBrowser2* browser) {
  Bstr program;
  return SUCCEEDED(browser->get_FullName(program.Put())) && program.Get() &&
         ::StrStrIW(program.Get(), kInternetExplorerProgram) != nullptr;
}

HWND FrameForDialogs() {
  HWND foreground = ::GetForegroundWindow();
  if (foreground && HasWindowClass(foreground, kFrameWindowClass)) return foreground;
  return ::FindWindowW(kFrameWindowClass, nullptr);
}

}  // namespace tessary::host
