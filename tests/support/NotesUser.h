#pragma once
// What a user does with Tessary Notes in a tab of the Internet Explorer
// stand-in, and what tests read back from the page.
#include <windows.h>

#include <string>

#include "BrowserSession.h"

namespace tessary::test {

// The id of the button that offers to keep the selected text.
extern const wchar_t kNotesOffer[];

// The markup of a note's text highlighted on a page.
std::wstring Highlighted(const std::wstring& text);
int Occurrences(const std::wstring& text, const std::wstring& part);

// Selects the element's text until the content script offers to keep it
// (until the page's scripts run, nothing listens to the mouse), then takes
// the offer.
bool SaveSelectionAsNote(BrowserSession& session, DWORD tab, const std::wstring& id, DWORD timeoutMs = 30000);
// Waits until the tab's page shows the text highlighted that many times.
bool WaitForHighlights(BrowserSession& session, DWORD tab, const std::wstring& text, int count,
                       DWORD timeoutMs = 30000);

}  // namespace tessary::test
