#pragma once
// The names and texts of barlet.dll that others rely on: Internet Explorer,
// installers, the host program and the tests. Each is spelled here once; a
// name or text that is the band's own choice stays next to its code.
//
// The resource script includes this header too: the part it sees holds only
// #defines, and the C++ part below builds on them.

// Resources: the button's pictures are found by this type.
#define TESSARY_PICTURE_TYPE PNG

#ifndef RC_INVOKED

#include <windows.h>

#include "SharedNames.h"

#define TESSARY_BARLET_TEXT_(x) #x
#define TESSARY_BARLET_TEXT(x) TESSARY_BARLET_TEXT_(x)
#define TESSARY_BARLET_WIDE_(x) L##x
#define TESSARY_BARLET_WIDE(x) TESSARY_BARLET_WIDE_(x)

namespace tessary::barlet {

// --- Window classes and titles: the host program, the browser and users see them. ---

// The toolbar's own class is shared with the host program: kToolbarWindowClass.
// The reflection window is named after its class record's address.
constexpr wchar_t kReflectionClassFormat[] = L"ATL:%p";
// The band's title when the extension's configuration names none.
constexpr wchar_t kBandTitle[] = L"toolbar";

// --- Commands: the browser's tests of the band press the button by its id. ---

constexpr int kButtonCommand = 13;

// --- Resources: the pictures the build embeds. ---

constexpr wchar_t kPictureResourceType[] = TESSARY_BARLET_WIDE(TESSARY_BARLET_TEXT(TESSARY_PICTURE_TYPE));

// --- Registry: installers and the browser's list of toolbars. ---

constexpr wchar_t kToolbarsKey[] = L"Software\\Microsoft\\Internet Explorer\\Toolbar";
// The registry scripts' replacement for the band's application identifier.
constexpr wchar_t kAppIdVariable[] = L"APPID";
constexpr wchar_t kAppId[] = L"{DF48AA46-C53A-4E21-85E7-AC7CC6B5FFA0}";

// --- Error texts: support reads them in the debugger's output. ---

constexpr wchar_t kCannotCreateServer[] = L"Cannot create sever object";  // sic: the spelling searched for
constexpr wchar_t kCannotCallServer[] = L"Can't call server object method";

}  // namespace tessary::barlet

#endif  // RC_INVOKED
