#include "CpageletModule.h"

#include "CBHOHelper.h"
#include "CExtension.h"
#include "DebugMode.h"
#include "Failures.h"
#include "ModulePath.h"
#include "PageletNames.h"
#include "TableDispatch.h"
#include "resource.h"

namespace tessary::pagelet {
namespace {

// Built once; a failed build is retried on the next use.
HRESULT SharedTypeInfo(std::mutex& mutex, Microsoft::WRL::ComPtr<ITypeInfo>& cache, INTERFACEDATA* table,
                       Microsoft::WRL::ComPtr<ITypeInfo>* info) {
  std::lock_guard<std::mutex> lock(mutex);
  if (!cache) {
    RETURN_IF_FAILED(CreateTableTypeInfo(table, LOCALE_SYSTEM_DEFAULT, &cache));
  }
  *info = cache;
  return S_OK;
}

}  // namespace

CpageletModule::CpageletModule()
    : InprocServerModule({IDR_PAGELET_MODULE, IDR_HALDENBHO, {}}),
      extensionDirectory_(FolderOf(ModuleFileName(CurrentModule()))) {}

CpageletModule& CpageletModule::Get() { return static_cast<CpageletModule&>(ComModule::Current()); }

HRESULT CpageletModule::ExtensionTypeInfo(Microsoft::WRL::ComPtr<ITypeInfo>* info) {
  return SharedTypeInfo(mutex_, extensionInfo_, CExtension::MethodTable(), info);
}

HRESULT CpageletModule::ChannelTypeInfo(Microsoft::WRL::ComPtr<ITypeInfo>* info) {
  return SharedTypeInfo(mutex_, channelInfo_, CBHOHelper::MethodTable(), info);
}

bool CpageletModule::DebugMode() {
  std::call_once(debugModeRead_, [this] { debugMode_ = ReadDebugMode(extensionDirectory_); });
  return debugMode_;
}

bool CpageletModule::AcquireMessageWindowClass(WNDPROC procedure) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (windowClassUsers_ == 0) {
    WNDCLASSEXW windowClass = {sizeof(windowClass)};
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = CurrentModule();
    windowClass.lpszClassName = kMessageWindowClass;
    if (!::RegisterClassExW(&windowClass)) return false;
  }
  ++windowClassUsers_;
  return true;
}

// The agent's window is gone by now; windows of other agents keep the class.
void CpageletModule::ReleaseMessageWindowClass() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (windowClassUsers_ == 0 || --windowClassUsers_ > 0) return;
  ::UnregisterClassW(kMessageWindowClass, CurrentModule());
}

}  // namespace tessary::pagelet
