// echo_server.exe: the floor of a tab's round trip to a server process. A local
// server whose IBGC does nothing but hand each message straight back to the tab
// channel connected last, through the channel's `send`, before returning.
#include <windows.h>

#include <wrl/client.h>

#include "ComObject.h"
#include "Tessary.h"
#include "TypeLibDispatch.h"
#include "UniqueHandle.h"
#include "Variant.h"

using Microsoft::WRL::ComPtr;
using namespace tessary;

namespace {

// {5D3C1E2A-7F4B-4C61-9A8E-2B6F0D9C4E71}
constexpr CLSID kClsidEchoServer = {0x5d3c1e2a, 0x7f4b, 0x4c61, {0x9a, 0x8e, 0x2b, 0x6f, 0x0d, 0x9c, 0x4e, 0x71}};

class EchoModule final : public ComModule {
 public:
  explicit EchoModule(DWORD mainThread) : mainThread_(mainThread) {}
  void Lock() override { ::CoAddRefServerProcess(); }
  void Unlock() override {
    if (::CoReleaseServerProcess() == 0) ::PostThreadMessageW(mainThread_, WM_QUIT, 0, 0);
  }

 private:
  DWORD mainThread_;
};

class CEcho : public ComObjectRoot, public TypeLibDispatch<IBGC> {
 public:
  static const QITAB* Interfaces() {
    static const QITAB interfaces[] = {QITABENT(CEcho, IBGC), QITABENTMULTI(CEcho, IDispatch, IBGC), {}};
    return interfaces;
  }

  IFACEMETHODIMP connect(int, IDispatch* pDisp, BSTR) override {
    channel_ = pDisp;
    LPOLESTR name = const_cast<LPOLESTR>(L"send");
    return channel_->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &send_);
  }
  IFACEMETHODIMP disconnect(int, IDispatch*) override {
    channel_.Reset();
    return S_OK;
  }
  IFACEMETHODIMP dispatchMsg(BSTR msg, int) override {
    if (!channel_) return E_PENDING;
    VARIANT argument = ArgBstr(msg);
    DISPPARAMS params = {&argument, nullptr, 1, 0};
    return channel_->Invoke(send_, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
  }
  IFACEMETHODIMP log(BSTR, int) override { return S_OK; }
  IFACEMETHODIMP getState(int* pInt) override {
    *pInt = 1;
    return S_OK;
  }

 private:
  static inline ComPtr<IDispatch> channel_;
  static inline DISPID send_ = DISPID_UNKNOWN;
};

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  if (FAILED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
  EchoModule module(::GetCurrentThreadId());
  DWORD cookie = 0;
  if (FAILED(::CoRegisterClassObject(kClsidEchoServer, ClassFactory<CEcho>::Instance(), CLSCTX_LOCAL_SERVER,
                                     REGCLS_MULTIPLEUSE, &cookie))) {
    return 2;
  }
  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) ::DispatchMessageW(&msg);
  ::CoRevokeClassObject(cookie);
  ::CoUninitialize();
  return 0;
}
