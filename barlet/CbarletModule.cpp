#include "CbarletModule.h"

#include <commctrl.h>

#include <cwchar>

#include "BarletNames.h"
#include "ModulePath.h"
#include "Registrar.h"
#include "barlet.h"
#include "resource.h"

namespace tessary::barlet {

CbarletModule::CbarletModule() : InprocServerModule({IDR_BARLET_MODULE, IDR_BARLETADDIN, {{kAppIdVariable, kAppId}}}) {}

CbarletModule::~CbarletModule() {
  if (reflectionRegistered_) ::UnregisterClassW(reflectionClassName_, CurrentModule());
  if (toolbarRegistered_) ::UnregisterClassW(kToolbarWindowClass, CurrentModule());
}

CbarletModule& CbarletModule::Get() { return static_cast<CbarletModule&>(ComModule::Current()); }

const BandLook& CbarletModule::Look() {
  std::call_once(lookRead_, [this] { look_ = ReadBandLook(FolderOf(ModuleFileName(CurrentModule()))); });
  return look_;
}

// The class script names the value in a key that stays (the browser's list of
// toolbars); not every system registrar removes such a value.
HRESULT CbarletModule::RemoveLeftovers() {
  const LSTATUS status = ::RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kToolbarsKey, GuidString(CLSID_BarletAddIn).c_str());
  return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND ? S_OK : HRESULT_FROM_WIN32(status);
}

const wchar_t* CbarletModule::ReflectionWindowClass(WNDPROC procedure) {
  std::lock_guard<std::mutex> lock(classesMutex_);
  if (reflectionRegistered_) return reflectionClassName_;
  // Named after its class record, as every class of this kind is.
  std::swprintf(reflectionClassName_, ARRAYSIZE(reflectionClassName_), kReflectionClassFormat,
                static_cast<void*>(&reflectionClass_));
  reflectionClass_.cbSize = sizeof(reflectionClass_);
  reflectionClass_.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
  reflectionClass_.lpfnWndProc = procedure;
  reflectionClass_.hInstance = CurrentModule();
  reflectionClass_.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  reflectionClass_.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  reflectionClass_.lpszClassName = reflectionClassName_;
  reflectionRegistered_ = ::RegisterClassExW(&reflectionClass_) != 0;
  return reflectionRegistered_ ? reflectionClassName_ : nullptr;
}

const wchar_t* CbarletModule::ToolbarWindowClass(WNDPROC procedure, WNDPROC* control) {
  std::lock_guard<std::mutex> lock(classesMutex_);
  if (!toolbarRegistered_) {
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_BAR_CLASSES};
    ::InitCommonControlsEx(&controls);
    WNDCLASSEXW toolbar = {sizeof(toolbar)};
    if (!::GetClassInfoExW(nullptr, TOOLBARCLASSNAMEW, &toolbar)) return nullptr;
    toolbarControl_ = toolbar.lpfnWndProc;
    toolbar.lpfnWndProc = procedure;
    toolbar.hInstance = CurrentModule();
    toolbar.style &= ~CS_GLOBALCLASS;
    toolbar.lpszClassName = kToolbarWindowClass;
    toolbarRegistered_ = ::RegisterClassExW(&toolbar) != 0;
    if (!toolbarRegistered_) return nullptr;
  }
  *control = toolbarControl_;
  return kToolbarWindowClass;
}

}  // namespace tessary::barlet
