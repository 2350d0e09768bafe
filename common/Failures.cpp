#include "Failures.h"

#include <atomic>
#include <cstdio>
#include <cstring>

namespace tessary {
namespace {

// The file's name without its folders: the log says where, not whose tree.
const char* FileName(const char* path) {
  const char* slash = std::strrchr(path, '/');
  const char* backslash = std::strrchr(path, '\\');
  const char* last = slash > backslash ? slash : backslash;
  return last ? last + 1 : path;
}

void DebuggerSink(const char* file, int line, const char* call, HRESULT hr) {
  char text[512];
  std::snprintf(text, sizeof text, "%s(%d): %s failed, error 0x%08lX\n", file, line, call,
                static_cast<unsigned long>(hr));
  ::OutputDebugStringA(text);
}

std::atomic<FailureSink> g_sink{&DebuggerSink};

}  // namespace

void SetFailureSink(FailureSink sink) { g_sink = sink ? sink : &DebuggerSink; }

HRESULT LogIfFailed(HRESULT hr, const char* file, int line, const char* call) {
  if (FAILED(hr)) g_sink.load()(FileName(file), line, call, hr);
  return hr;
}

}  // namespace tessary
