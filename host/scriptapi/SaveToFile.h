#pragma once
// saveToFile: the user picks a file in the system's Save As dialog and the
// text is written there as UTF-8 without a byte order mark. Every call has a
// thread of its own, so several dialogs may be open at once; the script goes
// on at once and is never told the outcome. The host process stays up while a
// dialog is open.
#include <windows.h>
#include <oleauto.h>

#include <string>
#include <string_view>

namespace tessary::host {

class Log;

// An empty text asks nothing and writes nothing.
void SaveToFile(BSTR proposedName, BSTR text, Log& log);

// The proposed name as the dialog's buffer of MAX_PATH characters can hold
// it: at most MAX_PATH - 1 characters, never ending in half a surrogate pair.
std::wstring ProposedFileName(BSTR name);

// Creates or replaces the file with the text's UTF-8 bytes; 0, or the
// system's error number (which is also logged).
DWORD WriteTextFile(const wchar_t* path, std::wstring_view text, Log& log);

}  // namespace tessary::host
