#pragma once
// The page agent's fixed names: what other programs, the extensions' files and
// their scripts, and the tests rely on. Changing one breaks one of them; every
// other name in the agent is its own choice.
#include <windows.h>

namespace tessary::pagelet {

// Window class and messages: the agents of one tab process share the class,
// and the agent's window drives its link to the host program with these.
constexpr wchar_t kMessageWindowClass[] = L"_DUDUMessageWindow";
constexpr UINT kLinkHostMessage = WM_APP + 20;
constexpr UINT kInjectMessage = WM_APP + 21;
constexpr UINT_PTR kPollTimer = 123;
constexpr UINT kPollPeriodMs = 500;

// Files and pages of the extension directory: every extension ships them
// under these names.
constexpr wchar_t kMustacheScript[] = L"js\\mustache.js";
constexpr wchar_t kContentScript[] = L"content.js";
constexpr wchar_t kConfigScript[] = L"config.js";
constexpr wchar_t kImportTabScript[] = L"importTab.js";
constexpr wchar_t kTabScript[] = L"tab.js";
constexpr wchar_t kImportPage[] = L"import.html";
constexpr wchar_t kHelpPage[] = L"help.html";
constexpr wchar_t kWelcomePage[] = L"welcome.html";

// Addresses that get no content scripts, as the browser spells them.
constexpr wchar_t kAboutPrefix[] = L"about:";
constexpr wchar_t kJavascriptPrefix[] = L"javascript:";
constexpr wchar_t kResourcePrefix[] = L"res:";

// What the content scripts see: the engine they run in, the global names the
// engine gives them, and the function each page's scripts start with.
constexpr wchar_t kScriptEngine[] = L"Javascript";
constexpr wchar_t kWindowItem[] = L"window";
constexpr wchar_t kExtensionItem[] = L"extension";
constexpr wchar_t kEntryPoint[] = L"main";

}  // namespace tessary::pagelet
