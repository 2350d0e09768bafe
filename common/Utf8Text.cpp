#include "Utf8Text.h"

#include "UniqueHandle.h"

namespace tessary {

bool DecodeUtf8Text(std::string_view bytes, std::wstring* text) {
  text->clear();
  bytes = bytes.substr(0, bytes.find('\0'));
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
  if (bytes.empty()) return true;
  const int size = static_cast<int>(bytes.size());
  const int length = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), size, nullptr, 0);
  if (length <= 0) return false;
  text->resize(length);
  return ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), size, text->data(), length) == length;
}

std::string EncodeUtf8Text(std::wstring_view text) {
  if (text.empty()) return {};
  const int length = static_cast<int>(text.size());
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
  std::string bytes(size > 0 ? size : 0, '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.data(), length, bytes.data(), size, nullptr, nullptr);
  return bytes;
}

FileReadError ReadWholeFile(const std::wstring& path, std::string* bytes, DWORD limit) {
  UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file) return FileReadError::kOpen;
  LARGE_INTEGER size = {};
  if (!::GetFileSizeEx(file.Get(), &size)) return FileReadError::kSize;
  if (size.QuadPart > limit) return FileReadError::kTooLarge;
  bytes->assign(static_cast<size_t>(size.QuadPart), '\0');
  DWORD read = 0;
  if (!::ReadFile(file.Get(), bytes->data(), static_cast<DWORD>(bytes->size()), &read, nullptr) || read == 0) {
    return FileReadError::kRead;
  }
  bytes->resize(read);
  return FileReadError::kNone;
}

}  // namespace tessary
