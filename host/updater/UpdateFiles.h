#pragma once
// The update's files in the data directory's temp folder: the installer is
// written in one piece and checked by its SHA-1 digest.
#include <windows.h>

#include <string>

namespace tessary::host {

class Log;

// The file's SHA-1 digest (Sha1Hash). False, with the failure logged, when the
// digest cannot be computed. A file that cannot be opened is logged too, but
// answers true with an empty digest, which matches no hash.
bool HashFile(const std::wstring& path, Log& log, std::wstring* digest);

// Creates the file anew (no sharing) and writes the bytes in one call. A write
// that fails or falls short deletes the file again, so no partial installer is
// left behind; the failure is logged and answered false.
bool WriteWholeFile(const std::wstring& path, const void* bytes, DWORD count, Log& log);

}  // namespace tessary::host
