#pragma once
// The host program's trace file. A line is assembled by a LogLine and written as
// a whole under the log's lock, so lines from different threads never interleave.
//
//   log.Error() << "levelDB init failed: " << status;
//   log.Trace() << "BHO" << tabId << ": " << message;
#include <windows.h>

#include <mutex>
#include <string>
#include <string_view>

#include "UniqueHandle.h"

namespace tessary::host {

class LogLine;

class Log {
 public:
  Log() = default;
  Log(const Log&) = delete;
  Log& operator=(const Log&) = delete;

  // Opens (truncating) dataDirectory + "log.txt" and writes the header. On
  // failure the log stays silent for its whole life; the result says which.
  bool Create(const std::wstring& dataDirectory);
  bool IsOpen() const { return file_.IsValid(); }

  LogLine Trace();
  LogLine Info();
  LogLine Warning();
  LogLine Error();

 private:
  friend class LogLine;
  // The line and its end, together under the lock.
  void WriteLine(std::string_view line, std::string_view end);

  std::mutex mutex_;
  UniqueHandle file_;
};

// Never throws: a line that runs out of memory is written as far as it got.
class LogLine {
 public:
  LogLine(Log& log, const char* prefix) : log_(log) { *this << prefix; }
  ~LogLine();
  LogLine(const LogLine&) = delete;
  LogLine& operator=(const LogLine&) = delete;

  LogLine& operator<<(const char* text);
  LogLine& operator<<(std::string_view text);
  LogLine& operator<<(char c) { return *this << std::string_view(&c, 1); }
  // Each UTF-16 unit is cut to its low byte; a null string reads "empty".
  LogLine& operator<<(const wchar_t* text);
  LogLine& operator<<(std::wstring_view text);
  LogLine& operator<<(long long value);
  LogLine& operator<<(int value) { return *this << static_cast<long long>(value); }
  LogLine& operator<<(long value) { return *this << static_cast<long long>(value); }
  LogLine& operator<<(unsigned long value) { return *this << static_cast<long long>(value); }
  LogLine& operator<<(unsigned value) { return *this << static_cast<long long>(value); }

 private:
  template <class Append>
  LogLine& Add(Append&& append) noexcept;

  Log& log_;
  std::string text_;
};

}  // namespace tessary::host
