#include "RecordingBG.h"

#include <objbase.h>

#include <mutex>

#include "Tessary.h"
#include "UniqueHandle.h"

namespace tessary::test {

// One object serves every creation; it lives as long as the server, which
// disconnects it before it goes, so its count is not kept.
struct RecordingBG::Server : public IBG, public IClassFactory {
  mutable std::mutex lock;
  int authState = 0;
  HRESULT authResult = S_OK;
  int creations = 0;
  std::vector<POINT> popups;
  UniqueHandle ready{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  UniqueHandle stop{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  UniqueHandle thread;
  bool serving = false;

  // The class lives in a multithreaded apartment of its own: calls come in on
  // COM's threads, whatever this process's other threads are doing.
  void Run() {
    ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    DWORD cookie = 0;
    serving = SUCCEEDED(::CoRegisterClassObject(CLSID_CBG, static_cast<IClassFactory*>(this), CLSCTX_LOCAL_SERVER,
                                                REGCLS_MULTIPLEUSE, &cookie));
    ::SetEvent(ready.Get());
    ::WaitForSingleObject(stop.Get(), INFINITE);
    if (serving) ::CoRevokeClassObject(cookie);
    ::CoDisconnectObject(static_cast<IBG*>(this), 0);
    ::CoUninitialize();
  }

  IFACEMETHODIMP QueryInterface(REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IBG) || IsEqualIID(riid, IID_IDispatch)) {
      *object = static_cast<IBG*>(this);
    } else if (IsEqualIID(riid, IID_IClassFactory)) {
      *object = static_cast<IClassFactory*>(this);
    }
    return *object ? S_OK : E_NOINTERFACE;
  }
  IFACEMETHODIMP_(ULONG) AddRef() override { return 2; }
  IFACEMETHODIMP_(ULONG) Release() override { return 1; }

  // IClassFactory
  IFACEMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** object) override {
    if (outer) return CLASS_E_NOAGGREGATION;
    std::lock_guard<std::mutex> guard(lock);
    ++creations;
    return QueryInterface(riid, object);
  }
  IFACEMETHODIMP LockServer(BOOL) override { return S_OK; }

  // IDispatch: the toolbar calls through the interface's virtual table.
  IFACEMETHODIMP GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
  IFACEMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  IFACEMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  IFACEMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return E_NOTIMPL;
  }

  // IBG
  IFACEMETHODIMP showPopup(int x, int y) override {
    std::lock_guard<std::mutex> guard(lock);
    popups.push_back({x, y});
    return S_OK;
  }
  IFACEMETHODIMP getAuthState(int* state) override {
    std::lock_guard<std::mutex> guard(lock);
    if (SUCCEEDED(authResult)) *state = authState;
    return authResult;
  }
};

RecordingBG::RecordingBG() : server_(new Server) {
  Server& server = *server_;
  server.thread.Reset(::CreateThread(
      nullptr, 0, [](void* s) -> DWORD { return static_cast<Server*>(s)->Run(), 0; }, &server, 0, nullptr));
  if (server.thread) ::WaitForSingleObject(server.ready.Get(), INFINITE);
}

RecordingBG::~RecordingBG() {
  if (!server_->thread) return;
  ::SetEvent(server_->stop.Get());
  ::WaitForSingleObject(server_->thread.Get(), INFINITE);
}

bool RecordingBG::IsServing() const { return server_->serving; }

void RecordingBG::AnswerAuthState(int state, HRESULT result) {
  std::lock_guard<std::mutex> guard(server_->lock);
  server_->authState = state;
  server_->authResult = result;
}

int RecordingBG::Creations() const {
  std::lock_guard<std::mutex> guard(server_->lock);
  return server_->creations;
}

std::vector<POINT> RecordingBG::Popups() const {
  std::lock_guard<std::mutex> guard(server_->lock);
  return server_->popups;
}

}  // namespace tessary::test
