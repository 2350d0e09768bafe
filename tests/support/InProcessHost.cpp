#include "InProcessHost.h"

#include <shlwapi.h>

#include "Bstr.h"
#include "ComIdentity.h"
#include "ComObject.h"
#include "ScriptCallback.h"
#include "Tessary.h"
#include "Variant.h"

using Microsoft::WRL::ComPtr;

namespace tessary::test {

struct InProcessHost::State {
  struct Channel {
    ComPtr<IUnknown> identity;  // kept, so that no later channel takes its address
    ComPtr<IDispatch> dispatch;
    int connects = 0;
    int disconnects = 0;
    // Every call for the channel must name the tab it connected for.
    int tabId = 0;
    bool tabChanged = false;
  };

  bool ready = false;
  bool dead = false;
  int life = 0;
  int liveObjects = 0;
  bool inHook = false;
  CallHook hook;
  std::map<std::string, int> calls;
  std::vector<std::wstring> messages;
  std::vector<std::wstring> logLines;
  std::map<IUnknown*, Channel> channels;
  std::set<int> tabIds;

  void During(const std::string& call, IDispatch* channel = nullptr) {
    ++calls[call];
    if (!hook || inHook) return;
    inHook = true;
    CallHook running = hook;
    running(call, channel);
    inHook = false;
  }
  Channel& Entry(IDispatch* channel) {
    ComPtr<IUnknown> identity = Identity(channel);
    Channel& entry = channels[identity.Get()];
    entry.identity = identity;
    return entry;
  }
};

namespace {

constexpr HRESULT kHostDied = RPC_E_SERVER_DIED;

class Link : public ComObjectRoot, public IBGC {
 public:
  static const QITAB* Interfaces() {
    static const QITAB interfaces[] = {QITABENT(Link, IBGC), QITABENTMULTI(Link, IDispatch, IBGC), {}};
    return interfaces;
  }
  explicit Link(std::shared_ptr<InProcessHost::State> state) : state_(std::move(state)), life_(state_->life) {
    ++state_->liveObjects;
  }
  ~Link() { --state_->liveObjects; }

  IFACEMETHODIMP GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
  IFACEMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  IFACEMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  IFACEMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return E_NOTIMPL;
  }

  IFACEMETHODIMP connect(int tabId, IDispatch* pDisp, BSTR) override {
    if (Gone()) return kHostDied;
    state_->During("connect", pDisp);
    if (Gone()) return kHostDied;
    if (!state_->ready) return E_PENDING;
    if (!pDisp) return S_OK;
    auto& entry = state_->Entry(pDisp);
    entry.tabChanged = entry.tabChanged || (entry.connects > 0 && entry.tabId != tabId);
    entry.tabId = tabId;
    ++entry.connects;
    entry.dispatch = pDisp;
    state_->tabIds.insert(tabId);
    return S_OK;
  }
  IFACEMETHODIMP disconnect(int tabId, IDispatch* pDisp) override {
    if (Gone()) return kHostDied;
    state_->During("disconnect", pDisp);
    if (Gone()) return kHostDied;
    if (!state_->ready) return E_PENDING;
    if (!pDisp) return S_OK;
    auto& entry = state_->Entry(pDisp);
    entry.tabChanged = entry.tabChanged || (entry.connects > 0 && entry.tabId != tabId);
    ++entry.disconnects;
    entry.dispatch.Reset();
    return S_OK;
  }
  // The message is recorded before the hook runs, which may look at it.
  IFACEMETHODIMP dispatchMsg(BSTR msg, int) override {
    if (Gone()) return kHostDied;
    if (!state_->ready) {
      state_->During("dispatchMsg");
      return E_PENDING;
    }
    state_->messages.emplace_back(BstrView(msg));
    state_->During("dispatchMsg");
    return Gone() ? kHostDied : S_OK;
  }
  IFACEMETHODIMP log(BSTR msg, int) override {
    if (Gone()) return kHostDied;
    state_->logLines.emplace_back(msg ? msg : L"empty");
    state_->During("log");
    return Gone() ? kHostDied : S_OK;
  }
  IFACEMETHODIMP getState(int* pInt) override {
    if (Gone()) return kHostDied;
    state_->During("getState");
    if (Gone()) return kHostDied;
    *pInt = state_->ready ? 1 : 0;
    return S_OK;
  }

 private:
  // A link made by a host process that has died since answers nothing more.
  bool Gone() const { return state_->dead || state_->life != life_; }

  std::shared_ptr<InProcessHost::State> state_;
  const int life_;
};

class LinkFactory : public ComObjectRoot, public IClassFactory {
 public:
  static const QITAB* Interfaces() {
    static const QITAB interfaces[] = {QITABENT(LinkFactory, IClassFactory), {}};
    return interfaces;
  }
  explicit LinkFactory(std::shared_ptr<InProcessHost::State> state) : state_(std::move(state)) {}

  IFACEMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    state_->During("create");
    if (state_->dead) return CO_E_SERVER_EXEC_FAILURE;
    return MakeComObject<Link>(state_)->QueryInterface(riid, ppv);
  }
  IFACEMETHODIMP LockServer(BOOL) override { return S_OK; }

 private:
  std::shared_ptr<InProcessHost::State> state_;
};

}  // namespace

InProcessHost::InProcessHost() : state_(std::make_shared<State>()) {
  ComPtr<LinkFactory> factory = MakeComObject<LinkFactory>(state_);
  if (FAILED(::CoRegisterClassObject(CLSID_CBGC, factory.Get(), CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE, &cookie_))) {
    cookie_ = 0;
  }
}

InProcessHost::~InProcessHost() {
  if (cookie_) ::CoRevokeClassObject(cookie_);
  state_->hook = nullptr;
  state_->channels.clear();
}

void InProcessHost::SetReady(bool ready) { state_->ready = ready; }

void InProcessHost::Die() {
  state_->dead = true;
  state_->ready = false;
  state_->channels.clear();
}

void InProcessHost::Revive() {
  state_->dead = false;
  ++state_->life;
}

void InProcessHost::DuringCalls(CallHook hook) { state_->hook = std::move(hook); }

int InProcessHost::Calls(const std::string& call) const {
  auto found = state_->calls.find(call);
  return found == state_->calls.end() ? 0 : found->second;
}

const std::vector<std::wstring>& InProcessHost::Messages() const { return state_->messages; }
const std::vector<std::wstring>& InProcessHost::LogLines() const { return state_->logLines; }
int InProcessHost::LiveObjects() const { return state_->liveObjects; }

size_t InProcessHost::ConnectedChannels() const {
  size_t connected = 0;
  for (const auto& [key, channel] : state_->channels) connected += channel.dispatch ? 1 : 0;
  return connected;
}

void InProcessHost::SendToChannels(const std::wstring& text) {
  std::vector<ComPtr<IDispatch>> connected;
  for (const auto& [key, channel] : state_->channels) {
    if (channel.dispatch) connected.push_back(channel.dispatch);
  }
  for (const auto& channel : connected) SendOnChannel(channel.Get(), text);
}

const std::set<int>& InProcessHost::TabIds() const { return state_->tabIds; }

std::string InProcessHost::Imbalance() const {
  for (const auto& [key, channel] : state_->channels) {
    if (channel.tabChanged) return "a channel was named for two tabs";
    if (channel.disconnects > 1 || (channel.connects > 0 && channel.disconnects != 1)) {
      return "a channel connected " + std::to_string(channel.connects) + " times and disconnected " +
             std::to_string(channel.disconnects) + " times";
    }
  }
  return {};
}

void InProcessHost::Clear() {
  state_->channels.clear();
  state_->tabIds.clear();
  state_->calls.clear();
  state_->messages.clear();
  state_->logLines.clear();
}

HRESULT SendOnChannel(IDispatch* channel, const std::wstring& text) {
  Bstr message(text);
  return InvokeByName(channel, L"send", {ArgBstr(message.Get())}, nullptr, LOCALE_USER_DEFAULT);
}

}  // namespace tessary::test
