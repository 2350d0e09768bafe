#pragma once
// Drives the Internet Explorer stand-in (IEXPLORE.EXE) for tests and the
// demo, through its control channel: starts it with a page, waits for
// documents, clicks, types, reads, switches and closes tabs, and at the end
// stops it and every tab process it started. Failures come back as false or
// empty results; LastError() says what went wrong.
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "ChildProcess.h"
#include "ControlChannel.h"

namespace tessary::test {

// An add-on's figures as the stand-in measured them.
struct AddonTiming {
  std::wstring clsid;
  long long loadMicroseconds = 0;
  // In its event handlers during the last completed page load.
  long long navigationMicroseconds = 0;
  HRESULT loadResult = S_OK;
};

// The figures of the add-on with that class identifier; null when it is not among them.
const AddonTiming* FindTiming(const std::vector<AddonTiming>& timings, const std::wstring& clsid);

// Which program a tab of the stand-in runs in: the frame's own (64-bit) or the
// 32-bit one, as Internet Explorer on 64-bit Windows runs its tabs unless
// Enhanced Protected Mode is on; or whichever the frame runs by default.
enum class TabBits { kFrameDefault, k64, k32 };

class BrowserSession {
 public:
  // The stand-in's program in the build's fixtures.
  static std::wstring Program();

  // Starts a frame with one tab showing the address and waits until its
  // document completed. Returns null when it did not (LastStartError says why).
  // The frame runs its tabs as `bits` says unless a tab is opened otherwise.
  static std::unique_ptr<BrowserSession> Start(const std::wstring& address, DWORD timeoutMs = 30000,
                                               TabBits bits = TabBits::k64);
  static const std::wstring& LastStartError();

  // Stops everything that is still running.
  ~BrowserSession();
  BrowserSession(const BrowserSession&) = delete;
  BrowserSession& operator=(const BrowserSession&) = delete;

  // Sends a request as it is and returns the reply ("ok" or "error" first).
  ControlFields Request(const ControlFields& request, DWORD timeoutMs = 30000);
  const std::wstring& LastError() const { return lastError_; }

  DWORD FrameProcessId() const { return frame_.Id(); }
  bool IsRunning() const { return frame_.IsRunning(); }
  // The frame window ("IEFrame") and its band area.
  HWND FrameWindow();
  HWND BandArea();

  // The identifiers of the tabs that are up, in tab order: the handles of
  // their "TabWindowClass" windows, which the product's page agent takes for
  // its tab identifier too.
  std::vector<DWORD> Tabs();
  DWORD FrontTab();
  // Opens a tab in front and waits until its document completed; 0 on failure.
  DWORD OpenTab(const std::wstring& address, DWORD timeoutMs = 30000, TabBits bits = TabBits::kFrameDefault);
  bool SwitchTab(DWORD tab);
  // The tab's thread stops pumping messages for that long, from now, as a tab
  // stuck in a long script does.
  bool HangTab(DWORD tab, DWORD milliseconds);
  // Closes the tab and waits until the frame has let go of it.
  bool CloseTab(DWORD tab);
  // The tab's "TabWindowClass" window, which its identifier names.
  static HWND TabWindow(DWORD tab) { return reinterpret_cast<HWND>(static_cast<UINT_PTR>(tab)); }
  // The process and the thread that run the tab; 0 for no such tab. Several
  // tabs share a process as TabProcGrowth says.
  DWORD TabProcess(DWORD tab);
  DWORD TabThread(DWORD tab);
  // The tab processes the frame runs now (not the frame's own).
  std::vector<DWORD> TabProcesses();

  // How many top-level documents the tab has completed.
  int Completions(DWORD tab);
  // Waits until the tab has completed that many top-level documents; false
  // also when the last page it was sent to cannot be shown.
  bool WaitForDocument(DWORD tab, int completions, DWORD timeoutMs = 30000);
  // Navigates and waits for the new document.
  bool Navigate(DWORD tab, const std::wstring& address, DWORD timeoutMs = 30000);
  std::wstring Url(DWORD tab);

  // The page's elements, by id, in the tab's top document.
  bool Click(DWORD tab, const std::wstring& id);
  bool Type(DWORD tab, const std::wstring& id, const std::wstring& text);
  // Selects an element's text with the mouse (a drag ending over it).
  bool Select(DWORD tab, const std::wstring& id);
  // An element's text, or the whole page's for an empty id.
  std::wstring Text(DWORD tab, const std::wstring& id = L"");
  // The markup inside an element, or inside the page's body for an empty id.
  std::wstring Html(DWORD tab, const std::wstring& id = L"");
  std::wstring Value(DWORD tab, const std::wstring& id);
  // Waits until an element shows the text (content scripts work asynchronously).
  bool WaitForText(DWORD tab, const std::wstring& id, const std::wstring& text, DWORD timeoutMs = 20000);

  // Moves the mouse to a point of a window's client area.
  bool MoveMouse(HWND window, int x, int y);

  // The toolbar bands of a tab: class identifier and window (in the frame's
  // band area, shown while the tab is in front).
  std::vector<std::pair<std::wstring, HWND>> Toolbars(DWORD tab);
  // The colours (0xRRGGBB) at points of the client area of a tab's window, as
  // the window draws itself in the tab's process; empty on failure.
  std::vector<COLORREF> Pixels(DWORD tab, HWND window, const std::vector<POINT>& points);
  // Writes what a tab's window draws of its client area, seen the same way,
  // into a PNG file.
  bool SavePicture(DWORD tab, HWND window, const std::wstring& path);
  // The add-ons of a tab: its Browser Helper Objects and its toolbars.
  std::vector<AddonTiming> Timings(DWORD tab);

  // Asks the frame to quit and waits for it and all its tabs to end; what
  // did not end in time is terminated, and then the result is false.
  bool Stop(DWORD timeoutMs = 30000);

 private:
  BrowserSession() = default;
  bool Ok(const ControlFields& reply);
  ControlFields Ask(const ControlFields& request, DWORD timeoutMs = 30000);
  std::wstring Read(const wchar_t* command, DWORD tab, const std::wstring& id);
  HWND WindowAt(size_t index);
  ControlFields Where(DWORD tab);
  void RememberProcesses();

  ChildProcess frame_;
  ControlClient channel_;
  // Held from the moment a tab process is known, so that its identifier
  // cannot pass to another process before Stop has looked at it.
  std::vector<ChildProcess> knownProcesses_;
  std::wstring lastError_;
  bool stopped_ = false;
};

}  // namespace tessary::test
