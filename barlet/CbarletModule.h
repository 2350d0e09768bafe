#pragma once
// The toolbar band's module: its lock count and registration, and what every
// toolbar of the browser process shares: its two window classes and GDI+.
// Internet Explorer runs several tabs in one process, each with its own
// toolbar on its own thread, so what is shared here is locked; what a toolbar
// shows (state, hover, pictures) is the toolbar's own.
#include <windows.h>

#include <mutex>

#include "BandLook.h"
#include "GdiplusRuntime.h"
#include "InprocServerModule.h"

namespace tessary::barlet {

class CbarletModule final : public InprocServerModule {
 public:
  CbarletModule();
  // Unregisters the window classes this module registered.
  ~CbarletModule();
  static CbarletModule& Get();

  GdiplusRuntime& Gdiplus() { return gdiplus_; }

  // The extension's own look (BandLook.h), read from the module's folder by
  // the first toolbar that asks, on its thread (COM may not be used while the
  // module loads).
  const BandLook& Look();

  // Each window class is registered on first use; null on failure.
  const wchar_t* ReflectionWindowClass(WNDPROC procedure);
  // The toolbar control's class under the toolbar's own name; *control is the
  // control's window procedure.
  const wchar_t* ToolbarWindowClass(WNDPROC procedure, WNDPROC* control);

 protected:
  // The browser's list of toolbars must not go on naming a class that is gone.
  HRESULT RemoveLeftovers() override;

 private:
  GdiplusRuntime gdiplus_;
  std::mutex classesMutex_;
  WNDCLASSEXW reflectionClass_ = {};
  wchar_t reflectionClassName_[32] = {};
  bool reflectionRegistered_ = false;
  WNDPROC toolbarControl_ = nullptr;
  bool toolbarRegistered_ = false;
  std::once_flag lookRead_;
  BandLook look_;
};

}  // namespace tessary::barlet
