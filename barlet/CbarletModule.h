#pragma once
// The toolbar band's module: its lock count and registration, its two window
// classes, and what every toolbar of the browser process shares.
#include <windows.h>

#include "ButtonPictures.h"
#include "InprocServerModule.h"

namespace tessary::barlet {

// Shared by every toolbar window of the process, without a lock: all of them
// live on the browser's user-interface thread.
struct ToolbarState {
  // Non-zero: the user is signed in (blue pictures); 0: red pictures.
  int authState = 0;
  // The mouse is over the picture's strip.
  bool hover = false;
  ButtonPictures pictures;
};

class CbarletModule final : public InprocServerModule {
 public:
  CbarletModule();
  // Unregisters the window classes this module registered.
  ~CbarletModule();
  static CbarletModule& Get();

  ToolbarState& Toolbars() { return toolbars_; }

  // Each window class is registered on first use; null on failure.
  const wchar_t* ReflectionWindowClass(WNDPROC procedure);
  // The toolbar control's class under the toolbar's own name; *control is the
  // control's window procedure.
  const wchar_t* ToolbarWindowClass(WNDPROC procedure, WNDPROC* control);

 protected:
  // The browser's list of toolbars must not go on naming a class that is gone.
  HRESULT RemoveLeftovers() override;

 private:
  ToolbarState toolbars_;
  WNDCLASSEXW reflectionClass_ = {};
  wchar_t reflectionClassName_[32] = {};
  bool reflectionRegistered_ = false;
  WNDPROC toolbarControl_ = nullptr;
  bool toolbarRegistered_ = false;
};

}  // namespace tessary::barlet
