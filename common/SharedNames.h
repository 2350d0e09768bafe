#pragma once
// Names that two deliverables must spell alike. Changing one breaks the other
// deliverable, or the extensions and installations that already exist.
#include <windows.h>

namespace tessary {

// Window classes and messages: the host program finds every toolbar by its
// class and sends it the state, so both sides must agree.
constexpr wchar_t kToolbarWindowClass[] = L"TESSARYBARLET";
// wParam 0: the state becomes lParam (non-zero: set). wParam non-zero: the
// toolbar asks the host program for the state itself.
constexpr UINT WM_TOOLBAR_SETSTATE = WM_APP + 0x14;

// Files: every extension ships its settings under these names.
constexpr wchar_t kConfigFileName[] = L"config.xml";
constexpr wchar_t kConfigRootElement[] = L"addon";

// URLs: the scripts of extensions compare against these forms.
constexpr wchar_t kFileUrlPrefix[] = L"file:///";
constexpr wchar_t kAboutBlank[] = L"about:blank";

// Registration: installers pass the word, and the per-user registration of
// every deliverable writes below the key.
constexpr wchar_t kPerUserInstallCommand[] = L"user";
constexpr wchar_t kUserClassesKey[] = L"Software\\Classes";

}  // namespace tessary
