#include "ConnectedTab.h"

#include "Bstr.h"
#include "TestEnvironment.h"

using Microsoft::WRL::ComPtr;

namespace tessary::test {

ComPtr<IBGC> CreateBgc(HRESULT* result) {
  ComPtr<IBGC> bgc;
  const HRESULT hr = ::CoCreateInstance(CLSID_CBGC, nullptr, CLSCTX_LOCAL_SERVER, IID_PPV_ARGS(&bgc));
  if (result) *result = hr;
  return bgc;
}

int BackgroundState(IBGC* bgc) {
  int state = -1;
  bgc->getState(&state);
  return state;
}

bool WaitUntilReady(IBGC* bgc, DWORD timeoutMs) {
  return WaitUntil([&] { return BackgroundState(bgc) == 1; }, timeoutMs);
}

ConnectedTab::ConnectedTab(int tabId) : tabId_(tabId), bgc_(CreateBgc()) {}

bool ConnectedTab::Connect() {
  return bgc_ && WaitUntilReady(bgc_.Get()) &&
         bgc_->connect(tabId_, channel_.Dispatch(), Bstr(L"http://127.0.0.1/page.html").Get()) == S_OK;
}

std::wstring ConnectedTab::Ask(const std::wstring& message) {
  const size_t before = channel_.Received().size();
  const HRESULT hr = bgc_->dispatchMsg(Bstr(message).Get(), tabId_);
  if (hr != S_OK) return L"<dispatchMsg failed " + std::to_wstring(hr) + L">";
  return channel_.Received().size() > before ? channel_.Last() : L"<no answer yet>";
}

}  // namespace tessary::test
