#include "DebugOutput.h"

#include <mutex>

#include "TestEnvironment.h"
#include "UniqueHandle.h"

namespace tessary::test {

// What OutputDebugString looks for: a mutex that serialises writers, a shared
// buffer (the writer's process identifier, then the text), and two events.
struct DebugOutput::Monitor {
  struct Buffer {
    DWORD process;
    char text[4096 - sizeof(DWORD)];
  };

  UniqueHandle mutex{::CreateMutexW(nullptr, FALSE, L"DBWinMutex")};
  UniqueHandle mapping{
      ::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(Buffer), L"DBWIN_BUFFER")};
  UniqueHandle bufferReady{::CreateEventW(nullptr, FALSE, FALSE, L"DBWIN_BUFFER_READY")};
  UniqueHandle dataReady{::CreateEventW(nullptr, FALSE, FALSE, L"DBWIN_DATA_READY")};
  UniqueHandle stop{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  UniqueHandle thread;
  Buffer* buffer = nullptr;
  mutable std::mutex lock;
  std::vector<DebugLine> lines;

  void Run() {
    for (;;) {
      ::SetEvent(bufferReady.Get());
      HANDLE waits[] = {dataReady.Get(), stop.Get()};
      if (::WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0) return;
      std::lock_guard<std::mutex> guard(lock);
      lines.push_back({buffer->process, std::string(buffer->text, strnlen(buffer->text, sizeof(buffer->text)))});
    }
  }
};

DebugOutput::DebugOutput() : monitor_(new Monitor) {
  Monitor& m = *monitor_;
  if (!m.mutex || !m.mapping || !m.bufferReady || !m.dataReady || !m.stop) return;
  m.buffer = static_cast<Monitor::Buffer*>(::MapViewOfFile(m.mapping.Get(), FILE_MAP_READ, 0, 0, 0));
  if (!m.buffer) return;
  m.thread.Reset(::CreateThread(
      nullptr, 0, [](void* monitor) -> DWORD { return static_cast<Monitor*>(monitor)->Run(), 0; }, &m, 0, nullptr));
}

DebugOutput::~DebugOutput() {
  Monitor& m = *monitor_;
  if (m.thread) {
    ::SetEvent(m.stop.Get());
    ::WaitForSingleObject(m.thread.Get(), INFINITE);
  }
  if (m.buffer) ::UnmapViewOfFile(m.buffer);
}

bool DebugOutput::IsListening() const { return monitor_->thread.IsValid(); }

std::vector<DebugLine> DebugOutput::Lines() const {
  std::lock_guard<std::mutex> guard(monitor_->lock);
  return monitor_->lines;
}

bool DebugOutput::WaitFor(DWORD process, const std::string& text, DWORD timeoutMs) const {
  return WaitUntil(
      [&] {
        for (const DebugLine& line : Lines()) {
          if (line.process == process && line.text.find(text) != std::string::npos) return true;
        }
        return false;
      },
      timeoutMs);
}

}  // namespace tessary::test
