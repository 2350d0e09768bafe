#include "GdiplusRuntime.h"

#include <objbase.h>

#include <gdiplus.h>

namespace tessary::barlet {

bool GdiplusRuntime::Acquire() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (users_ == 0) {
    Gdiplus::GdiplusStartupInput input;
    if (Gdiplus::GdiplusStartup(&token_, &input, nullptr) != Gdiplus::Ok) {
      token_ = 0;
      return false;
    }
  }
  ++users_;
  return true;
}

void GdiplusRuntime::Release() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (users_ == 0 || --users_ > 0) return;
  Gdiplus::GdiplusShutdown(token_);
  token_ = 0;
}

}  // namespace tessary::barlet
