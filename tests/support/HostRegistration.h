#pragma once
// Registration of the staged host program for tests that talk to it over COM,
// with the one fix-up Wine needs: its type-library marshaler looks only for the
// library under locale 0, while the program registers it (correctly) under 0x409.
#include <windows.h>

namespace tessary::test {

DWORD RegisterHost();
DWORD UnregisterHost();

void AddNeutralLocaleTypeLib(REFGUID libid, HKEY root = HKEY_CLASSES_ROOT);
void RemoveNeutralLocaleTypeLib(REFGUID libid, HKEY root = HKEY_CLASSES_ROOT);

// Waits until no TessaryBG.exe runs any more; false if one still does.
bool WaitForNoHost(DWORD timeoutMs);

}  // namespace tessary::test
