#pragma once
// The popup: a thread of its own with its own apartment, which shows
// popup.html in a dialog next to the toolbar button and ends when the dialog
// loses activation.
#include <windows.h>

namespace tessary::host {

class AXClientSite;

// Starts the popup thread for a popup whose top-right corner is to be at the
// screen point (x, y). The popup is shown later, once its page's main has run.
// False (logged, state back to none) when the thread cannot be created.
bool OpenPopup(int x, int y);

// On the popup thread, once the popup's page host window is destroyed: the
// popup's loop ends and cleans the site up. Safe inside a modal loop (a
// dialog of the page's), which would swallow a thread message.
void EndPopupLoop(AXClientSite* site);

}  // namespace tessary::host
