#include "Log.h"

#include <new>

#include "HostNames.h"
#include "Text.h"

namespace tessary::host {
namespace {

std::string LocalDateAndTime() {
  char date[64] = {};
  char time[64] = {};
  ::GetDateFormatA(LOCALE_SYSTEM_DEFAULT, 0, nullptr, nullptr, date, ARRAYSIZE(date));
  ::GetTimeFormatA(LOCALE_SYSTEM_DEFAULT, TIME_NOTIMEMARKER, nullptr, nullptr, time, ARRAYSIZE(time));
  return std::string(date) + " " + time;
}

}  // namespace

bool Log::Create(const std::wstring& dataDirectory) {
  std::string path;
  if (!ToAnsi(dataDirectory + kLogFileName, &path)) return false;
  // Other programs may read (and even write) the file while the host runs.
  file_.Reset(::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file_) return false;
  Trace() << kLogCreated << LocalDateAndTime();
  Trace();
  return true;
}

LogLine Log::Trace() { return LogLine(*this, ""); }
LogLine Log::Info() { return LogLine(*this, kInfoPrefix); }
LogLine Log::Warning() { return LogLine(*this, kWarningPrefix); }
LogLine Log::Error() { return LogLine(*this, kErrorPrefix); }

void Log::WriteLine(std::string_view line, std::string_view end) {
  if (!file_) return;
  std::lock_guard<std::mutex> lock(mutex_);
  DWORD written = 0;
  // Unbuffered: every line is in the file as soon as it is written.
  ::WriteFile(file_.Get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  if (!end.empty()) ::WriteFile(file_.Get(), end.data(), static_cast<DWORD>(end.size()), &written, nullptr);
}

LogLine::~LogLine() {
  bool ended = false;
  Add([&] {
    text_ += "\r\n";
    ended = true;
  });
  log_.WriteLine(text_, ended ? "" : "\r\n");
}

template <class Append>
LogLine& LogLine::Add(Append&& append) noexcept {
  try {
    append();
  } catch (const std::bad_alloc&) {
    // The line keeps what it holds; the caller goes on as if it were complete.
  }
  return *this;
}

LogLine& LogLine::operator<<(const char* text) {
  return Add([&] { text_ += text ? text : ""; });
}

LogLine& LogLine::operator<<(std::string_view text) {
  return Add([&] { text_ += text; });
}

LogLine& LogLine::operator<<(const wchar_t* text) {
  if (!text) return *this << kNullText;
  return *this << std::wstring_view(text);
}

LogLine& LogLine::operator<<(std::wstring_view text) {
  return Add([&] {
    text_.reserve(text_.size() + text.size());
    for (wchar_t c : text) text_ += static_cast<char>(c & 0xFF);
  });
}

LogLine& LogLine::operator<<(long long value) {
  return Add([&] { text_ += std::to_string(value); });
}

}  // namespace tessary::host
