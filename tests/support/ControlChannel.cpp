#include "ControlChannel.h"

#include <algorithm>
#include <cwchar>

#include "Utf8Text.h"

namespace tessary::test {
namespace {

std::wstring Escape(const std::wstring& field) {
  std::wstring escaped;
  for (wchar_t c : field) {
    switch (c) {
      case L'\\': escaped += L"\\\\"; break;
      case L'\t': escaped += L"\\t"; break;
      case L'\r': escaped += L"\\r"; break;
      case L'\n': escaped += L"\\n"; break;
      default: escaped += c;
    }
  }
  return escaped;
}

wchar_t Unescaped(wchar_t c) {
  switch (c) {
    case L't': return L'\t';
    case L'r': return L'\r';
    case L'n': return L'\n';
    default: return c;
  }
}

bool ProcessEnded(DWORD processId) {
  UniqueHandle process(::OpenProcess(SYNCHRONIZE, FALSE, processId));
  return !process || ::WaitForSingleObject(process.Get(), 0) == WAIT_OBJECT_0;
}

// Takes the first whole line out of the buffer, without its line end. Both
// sides read the pipe in their own way (blocking, or bounded in time), so
// `read(chunk, size, &got)` brings more bytes; false once it fails or brings none.
template <class Read>
bool TakeLine(std::string* buffer, std::string* line, Read read) {
  for (;;) {
    const size_t end = buffer->find('\n');
    if (end != std::string::npos) {
      *line = buffer->substr(0, end);
      buffer->erase(0, end + 1);
      return true;
    }
    char chunk[4096];
    DWORD got = 0;
    if (!read(chunk, static_cast<DWORD>(sizeof(chunk)), &got) || got == 0) return false;
    buffer->append(chunk, got);
  }
}

DWORD Remaining(ULONGLONG deadline) {
  const ULONGLONG now = ::GetTickCount64();
  return now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
}

}  // namespace

std::wstring ControlPipeName(DWORD processId) { return L"\\\\.\\pipe\\tessary-iexplore-" + std::to_wstring(processId); }

std::string EncodeControlLine(const ControlFields& fields) {
  std::wstring line;
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) line += L'\t';
    line += Escape(fields[i]);
  }
  return EncodeUtf8Text(line) + "\n";
}

ControlFields DecodeControlLine(const std::string& line) {
  std::wstring text;
  DecodeUtf8Text(line, &text);
  ControlFields fields(1);
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'\t') {
      fields.emplace_back();
    } else if (text[i] == L'\\' && i + 1 < text.size()) {
      fields.back() += Unescaped(text[++i]);
    } else if (text[i] != L'\r') {
      fields.back() += text[i];
    }
  }
  return fields;
}

ControlFields ControlUsage(const std::wstring& usage) { return ControlError(L"usage: " + usage); }

bool ParseControlNumber(const std::wstring& field, unsigned long long* number) {
  if (field.empty() || field.find_first_not_of(L"0123456789") != std::wstring::npos) return false;
  wchar_t* end = nullptr;
  *number = std::wcstoull(field.c_str(), &end, 10);
  return end && *end == L'\0';
}

bool ParseControlId(const std::wstring& field, DWORD* id) {
  unsigned long long number = 0;
  if (!ParseControlNumber(field, &number) || number > MAXDWORD) return false;
  *id = static_cast<DWORD>(number);
  return true;
}

bool ParseControlWindow(const std::wstring& field, HWND* window) {
  unsigned long long number = 0;
  if (!ParseControlNumber(field, &number)) return false;
  *window = reinterpret_cast<HWND>(static_cast<UINT_PTR>(number));
  return true;
}

std::wstring ControlWindowField(HWND window) { return std::to_wstring(reinterpret_cast<UINT_PTR>(window)); }

ControlFields ControlOk(ControlFields values) {
  values.insert(values.begin(), L"ok");
  return values;
}

ControlFields ControlError(const std::wstring& message) { return {L"error", message}; }

bool IsControlOk(const ControlFields& reply) { return !reply.empty() && reply[0] == L"ok"; }

bool ControlLineReader::Read(ControlFields* fields) {
  std::string line;
  const bool complete = TakeLine(&buffer_, &line, [&](char* chunk, DWORD size, DWORD* read) {
    return ::ReadFile(pipe_, chunk, size, read, nullptr) != FALSE;
  });
  if (complete) *fields = DecodeControlLine(line);
  return complete;
}

bool WriteControlLine(HANDLE pipe, const ControlFields& fields) {
  const std::string line = EncodeControlLine(fields);
  DWORD written = 0;
  return ::WriteFile(pipe, line.data(), static_cast<DWORD>(line.size()), &written, nullptr) && written == line.size();
}

bool ControlClient::Connect(DWORD processId, DWORD timeoutMs) {
  processId_ = processId;
  pipe_.Reset();
  buffer_.clear();
  const std::wstring name = ControlPipeName(processId);
  const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
  for (;;) {
    pipe_.Reset(::CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_FLAG_OVERLAPPED, nullptr));
    if (pipe_) break;
    const DWORD error = ::GetLastError();
    if (Remaining(deadline) == 0 || ProcessEnded(processId)) return false;
    if (error == ERROR_PIPE_BUSY) {
      ::WaitNamedPipeW(name.c_str(), std::min<DWORD>(Remaining(deadline), 200));
    } else {
      ::Sleep(20);
    }
  }
  if (!event_) event_.Reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  return event_.IsValid();
}

ControlFields ControlClient::Request(const ControlFields& request, DWORD timeoutMs) {
  const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
  if (!pipe_ && !Connect(processId_, timeoutMs)) {
    return ControlError(L"process " + std::to_wstring(processId_) + L" does not answer on its control channel");
  }
  std::string line;
  if (!WriteAll(EncodeControlLine(request), deadline) || !ReadLine(&line, deadline)) {
    pipe_.Reset();
    buffer_.clear();
    const bool late = Remaining(deadline) == 0;
    return ControlError(late ? L"no answer to \"" + (request.empty() ? L"" : request[0]) + L"\" within " +
                                   std::to_wstring(timeoutMs) + L" ms"
                             : L"the control channel of process " + std::to_wstring(processId_) + L" broke");
  }
  return DecodeControlLine(line);
}

bool ControlClient::WriteAll(const std::string& bytes, ULONGLONG deadline) {
  DWORD written = 0;
  return Transfer(true, const_cast<char*>(bytes.data()), static_cast<DWORD>(bytes.size()), &written, deadline) &&
         written == bytes.size();
}

bool ControlClient::ReadLine(std::string* line, ULONGLONG deadline) {
  return TakeLine(&buffer_, line,
                  [&](char* chunk, DWORD size, DWORD* read) { return Transfer(false, chunk, size, read, deadline); });
}

bool ControlClient::Transfer(bool write, void* data, DWORD size, DWORD* done, ULONGLONG deadline) {
  OVERLAPPED overlapped = {};
  overlapped.hEvent = event_.Get();
  ::ResetEvent(event_.Get());
  const BOOL started = write ? ::WriteFile(pipe_.Get(), data, size, nullptr, &overlapped)
                             : ::ReadFile(pipe_.Get(), data, size, nullptr, &overlapped);
  if (!started && ::GetLastError() != ERROR_IO_PENDING) return false;
  if (::WaitForSingleObject(event_.Get(), Remaining(deadline)) != WAIT_OBJECT_0) {
    ::CancelIo(pipe_.Get());
    ::GetOverlappedResult(pipe_.Get(), &overlapped, done, TRUE);
    return false;
  }
  return ::GetOverlappedResult(pipe_.Get(), &overlapped, done, FALSE) != FALSE;
}

}  // namespace tessary::test
