#pragma once
// Text files of the extension: UTF-8, an optional byte order mark, read whole.
#include <windows.h>

#include <string>
#include <string_view>

namespace tessary {

// The bytes up to the first zero byte, without a leading byte order mark, as
// UTF-16; false for invalid UTF-8.
bool DecodeUtf8Text(std::string_view bytes, std::wstring* text);
// UTF-16 text as UTF-8 bytes, without a byte order mark.
std::string EncodeUtf8Text(std::wstring_view text);

enum class FileReadError { kNone, kOpen, kSize, kTooLarge, kRead };

// The whole file, when it holds at most `limit` bytes; the error says which
// step failed (the system's last error is left as that step set it). An empty
// file is a read error.
FileReadError ReadWholeFile(const std::wstring& path, std::string* bytes, DWORD limit);

}  // namespace tessary
