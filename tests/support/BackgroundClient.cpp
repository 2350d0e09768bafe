#include "BackgroundClient.h"

#include "Bstr.h"
#include "TestEnvironment.h"

namespace tessary::test {

using Microsoft::WRL::ComPtr;

ComPtr<IBGC> CreateBgc(HRESULT* result) {
  ComPtr<IBGC> bgc;
  const HRESULT hr = ::CoCreateInstance(CLSID_CBGC, nullptr, CLSCTX_LOCAL_SERVER, IID_PPV_ARGS(&bgc));
  if (result) *result = hr;
  return bgc;
}

int BackgroundState(IBGC* bgc) {
  int state = -1;
  return SUCCEEDED(bgc->getState(&state)) ? state : -1;
}

bool WaitUntilReady(IBGC* bgc, DWORD timeoutMs) {
  return WaitUntil([&] { return BackgroundState(bgc) == 1; }, timeoutMs);
}

BackgroundClient::BackgroundClient(int tabId) : tabId_(tabId), bgc_(CreateBgc()) {}

bool BackgroundClient::Connect() {
  return bgc_ && WaitUntilReady(bgc_.Get()) &&
         bgc_->connect(tabId_, channel_.Dispatch(), Bstr(L"http://127.0.0.1/page.html").Get()) == S_OK;
}

std::wstring BackgroundClient::Ask(const std::wstring& message) {
  if (!bgc_) return L"<no host object>";
  const size_t before = channel_.Received().size();
  const HRESULT hr = bgc_->dispatchMsg(Bstr(message).Get(), tabId_);
  if (hr != S_OK) return L"<dispatchMsg failed " + std::to_wstring(hr) + L">";
  return channel_.Received().size() > before ? channel_.Last() : L"<no answer yet>";
}

HRESULT BackgroundClient::Disconnect() {
  return bgc_ ? bgc_->disconnect(tabId_, channel_.Dispatch()) : E_POINTER;
}

}  // namespace tessary::test
