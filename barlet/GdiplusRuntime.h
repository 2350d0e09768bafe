#pragma once
// GDI+ for the whole browser process: Internet Explorer runs several tabs in
// one process, each with its own toolbar on its own thread. GDI+ is started
// by the first toolbar that draws and shut down when the last one lets go,
// never under another toolbar's feet.
#include <windows.h>

#include <mutex>

namespace tessary::barlet {

class GdiplusRuntime {
 public:
  GdiplusRuntime() = default;
  GdiplusRuntime(const GdiplusRuntime&) = delete;
  GdiplusRuntime& operator=(const GdiplusRuntime&) = delete;

  // Starts GDI+ for the first user; false when it does not start (the caller
  // then holds nothing and may try again later).
  bool Acquire();
  // Each successful Acquire is given back once; the last one shuts GDI+ down.
  void Release();

 private:
  std::mutex mutex_;
  int users_ = 0;
  ULONG_PTR token_ = 0;
};

}  // namespace tessary::barlet
