#include "BrowserSession.h"

#include <algorithm>

#include "TestEnvironment.h"

namespace tessary::test {
namespace {

std::wstring g_lastStartError;

std::wstring Quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

DWORD ParseId(const std::wstring& text) {
  DWORD id = 0;
  return ParseControlId(text, &id) ? id : 0;
}

HWND ParseWindow(const std::wstring& text) {
  HWND window = nullptr;
  return ParseControlWindow(text, &window) ? window : nullptr;
}

}  // namespace

std::wstring BrowserSession::Program() { return FixturesDirectory() + L"iexplore\\IEXPLORE.EXE"; }

const std::wstring& BrowserSession::LastStartError() { return g_lastStartError; }

std::unique_ptr<BrowserSession> BrowserSession::Start(const std::wstring& address, DWORD timeoutMs, TabBits bits) {
  std::unique_ptr<BrowserSession> session(new BrowserSession());
  session->frame_ = ChildProcess::Start(Program(), (bits == TabBits::k32 ? L"-tabs32 " : L"") + Quoted(address));
  g_lastStartError.clear();
  if (!session->frame_.IsValid()) {
    g_lastStartError = L"cannot start " + Program();
    return nullptr;
  }
  if (!session->channel_.Connect(session->frame_.Id(), timeoutMs)) {
    g_lastStartError = L"the frame ended or did not open its control channel (exit code " +
                       std::to_wstring(session->frame_.ExitCode()) + L")";
    return nullptr;
  }
  // The first tab is named once it is up.
  std::vector<DWORD> tabs;
  WaitUntil([&] { return !(tabs = session->Tabs()).empty() || !session->frame_.IsRunning(); }, timeoutMs);
  if (tabs.empty() || !session->WaitForDocument(tabs[0], 1, timeoutMs)) {
    g_lastStartError = tabs.empty() ? L"the frame has no tab" : session->LastError();
    return nullptr;
  }
  return session;
}

BrowserSession::~BrowserSession() { Stop(); }

ControlFields BrowserSession::Request(const ControlFields& request, DWORD timeoutMs) {
  return channel_.Request(request, timeoutMs);
}

ControlFields BrowserSession::Ask(const ControlFields& request, DWORD timeoutMs) {
  ControlFields reply = Request(request, timeoutMs);
  Ok(reply);
  return reply;
}

bool BrowserSession::Ok(const ControlFields& reply) {
  if (IsControlOk(reply)) return true;
  lastError_ = reply.size() > 1 ? reply[1] : L"an empty reply";
  return false;
}

HWND BrowserSession::WindowAt(size_t index) {
  const ControlFields reply = Ask({L"windows"});
  return IsControlOk(reply) && reply.size() > index + 1 ? ParseWindow(reply[index + 1]) : nullptr;
}

HWND BrowserSession::FrameWindow() { return WindowAt(0); }
HWND BrowserSession::BandArea() { return WindowAt(1); }

std::vector<DWORD> BrowserSession::Tabs() {
  std::vector<DWORD> tabs;
  const ControlFields reply = Ask({L"tabs"});
  if (!IsControlOk(reply)) return tabs;
  for (size_t i = 1; i < reply.size(); ++i) tabs.push_back(ParseId(reply[i]));
  RememberProcesses();
  return tabs;
}

std::vector<DWORD> BrowserSession::TabProcesses() {
  std::vector<DWORD> processes;
  const ControlFields reply = Ask({L"processes"});
  for (size_t i = 1; IsControlOk(reply) && i < reply.size(); ++i) processes.push_back(ParseId(reply[i]));
  return processes;
}

void BrowserSession::RememberProcesses() {
  for (DWORD id : TabProcesses()) {
    const bool known = std::any_of(knownProcesses_.begin(), knownProcesses_.end(),
                                   [id](const ChildProcess& process) { return process.Id() == id; });
    if (!known) knownProcesses_.push_back(ChildProcess::Open(id));
  }
}

ControlFields BrowserSession::Where(DWORD tab) { return Ask({L"where", std::to_wstring(tab)}); }

DWORD BrowserSession::TabProcess(DWORD tab) {
  const ControlFields reply = Where(tab);
  return IsControlOk(reply) && reply.size() > 2 ? ParseId(reply[1]) : 0;
}

DWORD BrowserSession::TabThread(DWORD tab) {
  const ControlFields reply = Where(tab);
  return IsControlOk(reply) && reply.size() > 2 ? ParseId(reply[2]) : 0;
}

DWORD BrowserSession::FrontTab() {
  const ControlFields reply = Ask({L"front"});
  return IsControlOk(reply) && reply.size() > 1 ? ParseId(reply[1]) : 0;
}

DWORD BrowserSession::OpenTab(const std::wstring& address, DWORD timeoutMs, TabBits bits) {
  ControlFields request = {L"open", address};
  if (bits != TabBits::kFrameDefault) request.push_back(bits == TabBits::k32 ? L"32" : L"64");
  const ControlFields reply = Ask(request, timeoutMs);
  if (!IsControlOk(reply) || reply.size() < 2) return 0;
  const DWORD tab = ParseId(reply[1]);
  RememberProcesses();
  return WaitForDocument(tab, 1, timeoutMs) ? tab : 0;
}

bool BrowserSession::SwitchTab(DWORD tab) { return Ok(Request({L"switch", std::to_wstring(tab)})); }

bool BrowserSession::HangTab(DWORD tab, DWORD milliseconds) {
  return Ok(Request({L"hang", std::to_wstring(tab), std::to_wstring(milliseconds)}));
}

bool BrowserSession::CloseTab(DWORD tab) {
  RememberProcesses();
  if (Ok(Request({L"close", std::to_wstring(tab)}, 60000))) return true;
  // The last tab takes the frame with it, and the frame's answer may go too.
  return frame_.Wait(10000);
}

int BrowserSession::Completions(DWORD tab) {
  const ControlFields reply = Ask({L"status", std::to_wstring(tab)});
  return IsControlOk(reply) && reply.size() > 1 ? std::stoi(reply[1]) : -1;
}

bool BrowserSession::WaitForDocument(DWORD tab, int completions, DWORD timeoutMs) {
  return Ok(Request({L"wait", std::to_wstring(tab), std::to_wstring(completions), std::to_wstring(timeoutMs)},
                    timeoutMs + 10000));
}

bool BrowserSession::Navigate(DWORD tab, const std::wstring& address, DWORD timeoutMs) {
  const ControlFields reply = Ask({L"navigate", std::to_wstring(tab), address});
  return IsControlOk(reply) && reply.size() > 1 && WaitForDocument(tab, std::stoi(reply[1]) + 1, timeoutMs);
}

std::wstring BrowserSession::Url(DWORD tab) {
  const ControlFields reply = Ask({L"status", std::to_wstring(tab)});
  return IsControlOk(reply) && reply.size() > 3 ? reply[3] : L"";
}

bool BrowserSession::Click(DWORD tab, const std::wstring& id) {
  return Ok(Request({L"click", std::to_wstring(tab), id}));
}

bool BrowserSession::Type(DWORD tab, const std::wstring& id, const std::wstring& text) {
  return Ok(Request({L"type", std::to_wstring(tab), id, text}));
}

bool BrowserSession::Select(DWORD tab, const std::wstring& id) {
  return Ok(Request({L"select", std::to_wstring(tab), id}));
}

std::wstring BrowserSession::Read(const wchar_t* command, DWORD tab, const std::wstring& id) {
  ControlFields request = {command, std::to_wstring(tab)};
  if (!id.empty()) request.push_back(id);
  const ControlFields reply = Ask(request);
  return IsControlOk(reply) && reply.size() > 1 ? reply[1] : L"";
}

std::wstring BrowserSession::Text(DWORD tab, const std::wstring& id) { return Read(L"text", tab, id); }
std::wstring BrowserSession::Html(DWORD tab, const std::wstring& id) { return Read(L"html", tab, id); }

std::wstring BrowserSession::Value(DWORD tab, const std::wstring& id) {
  const ControlFields reply = Ask({L"value", std::to_wstring(tab), id});
  return IsControlOk(reply) && reply.size() > 1 ? reply[1] : L"";
}

bool BrowserSession::WaitForText(DWORD tab, const std::wstring& id, const std::wstring& text, DWORD timeoutMs) {
  return WaitUntil([&] { return Text(tab, id) == text; }, timeoutMs);
}

bool BrowserSession::MoveMouse(HWND window, int x, int y) {
  return Ok(Request({L"mouse", ControlWindowField(window), std::to_wstring(x), std::to_wstring(y)}));
}

std::vector<std::pair<std::wstring, HWND>> BrowserSession::Toolbars(DWORD tab) {
  std::vector<std::pair<std::wstring, HWND>> toolbars;
  const ControlFields reply = Ask({L"toolbars", std::to_wstring(tab)});
  for (size_t i = 1; IsControlOk(reply) && i + 1 < reply.size(); i += 2) {
    toolbars.emplace_back(reply[i], ParseWindow(reply[i + 1]));
  }
  return toolbars;
}

std::vector<COLORREF> BrowserSession::Pixels(DWORD tab, HWND window, const std::vector<POINT>& points) {
  ControlFields request = {L"pixels", std::to_wstring(tab), ControlWindowField(window)};
  for (const POINT& point : points) {
    request.push_back(std::to_wstring(point.x));
    request.push_back(std::to_wstring(point.y));
  }
  const ControlFields reply = Ask(request);
  std::vector<COLORREF> colours;
  for (size_t i = 1; IsControlOk(reply) && i < reply.size(); ++i) {
    colours.push_back(static_cast<COLORREF>(std::wcstoul(reply[i].c_str(), nullptr, 16)));
  }
  return colours;
}

bool BrowserSession::SavePicture(DWORD tab, HWND window, const std::wstring& path) {
  return Ok(Request({L"picture", std::to_wstring(tab), ControlWindowField(window), path}));
}

std::vector<AddonTiming> BrowserSession::Timings(DWORD tab) {
  const ControlFields reply = Ask({L"timings", std::to_wstring(tab)});
  std::vector<AddonTiming> timings;
  for (size_t i = 1; IsControlOk(reply) && i + 3 < reply.size(); i += 4) {
    timings.push_back({reply[i], std::stoll(reply[i + 1]), std::stoll(reply[i + 2]),
                       static_cast<HRESULT>(std::wcstoul(reply[i + 3].c_str(), nullptr, 16))});
  }
  return timings;
}

bool BrowserSession::Stop(DWORD timeoutMs) {
  if (stopped_) return true;
  stopped_ = true;
  if (frame_.IsRunning()) {
    Tabs();
    Request({L"quit"}, 5000);
  }
  bool clean = frame_.Wait(timeoutMs);
  if (!clean) frame_.Terminate();
  for (ChildProcess& process : knownProcesses_) {
    if (process.IsValid() && !process.Wait(clean ? 5000 : 0)) {
      process.Terminate();
      clean = false;
    }
  }
  if (!clean) lastError_ = L"the stand-in did not end by itself and was terminated";
  return clean;
}

const AddonTiming* FindTiming(const std::vector<AddonTiming>& timings, const std::wstring& clsid) {
  const auto found =
      std::find_if(timings.begin(), timings.end(), [&](const AddonTiming& t) { return t.clsid == clsid; });
  return found == timings.end() ? nullptr : &*found;
}

}  // namespace tessary::test
