#pragma once
// The background page: started by the first CBG or CBGC object of the process,
// loaded into a hidden dialog on the main thread, entered through its main().
#include <windows.h>

namespace tessary::host {

class PageEventHandler;

// Starts the background page once per process. E_FAIL when the settings, the
// database or the dialog fail; the page then never starts in this process.
HRESULT StartBackground();

// The background site's handling of its browser's events.
PageEventHandler& BackgroundPageEvents();

}  // namespace tessary::host
