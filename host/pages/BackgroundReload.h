#pragma once
// Reloading the background page of a running host program, for an extension
// author at work: "TessaryBG.exe /ReloadBackground" finds the running host's
// background window and asks it, by a message registered under one name for
// every process, to load background.html anew. Content scripts need nothing of
// the kind: they are read anew with each page.
#include <windows.h>

namespace tessary::host {

UINT BackgroundReloadMessage();

// From a second start of the program: asks every running host; how many.
int RequestBackgroundReload();

}  // namespace tessary::host
