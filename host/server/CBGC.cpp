#include "CBGC.h"

#include <new>

#include "ExceptionBarrier.h"
#include "HostMessages.h"
#include "HostNames.h"
#include "HostProcess.h"

namespace tessary::host {

const QITAB* CBGC::Interfaces() {
  static const QITAB interfaces[] = {
      QITABENT(CBGC, IBGC),
      QITABENTMULTI(CBGC, IDispatch, IBGC),
      QITABENT(CBGC, IProvideClassInfo),
      {},
  };
  return interfaces;
}

namespace {

bool IsRunning() { return Host().background == BackgroundState::kRunning; }

// Hands a record to the background window, which frees it; nothing is sent
// (and nothing allocated) while there is no window.
template <class Record>
HRESULT SendRecord(UINT message, Record record) {
  HWND window = Host().backgroundWindow;
  if (!window) return S_OK;
  auto* copy = new (std::nothrow) Record(record);
  if (!copy) {
    Host().log.Error() << "Out of memory for a tab's call";
    return E_OUTOFMEMORY;
  }
  ::SendMessageW(window, message, 0, reinterpret_cast<LPARAM>(copy));
  return S_OK;
}

}  // namespace

IFACEMETHODIMP CBGC::connect(int tabId, IDispatch* pDisp, BSTR url) {
  return ExceptionBarrier([&] {
    Host().log.Trace() << kLogConnectCalled;
    if (!IsRunning()) return E_PENDING;
    return SendRecord(WM_BG_CONNECT, ConnectRecord{tabId, pDisp, url});
  });
}

IFACEMETHODIMP CBGC::disconnect(int tabId, IDispatch* pDisp) {
  return ExceptionBarrier([&] {
    Host().log.Trace() << kLogDisconnectCalled;
    if (!IsRunning()) return E_PENDING;
    return SendRecord(WM_BG_DISCONNECT, DisconnectRecord{tabId, pDisp});
  });
}

IFACEMETHODIMP CBGC::dispatchMsg(BSTR msg, int tabId) {
  return ExceptionBarrier([&] {
    if (!IsRunning()) return E_PENDING;
    if (Host().config.Debug()) {
      Host().log.Trace() << kTabLogPrefix << tabId << ": message to the background, " << ::SysStringLen(msg)
                         << " characters";
    }
    if (HWND window = Host().backgroundWindow) {
      ::SendMessageW(window, WM_BG_MESSAGE, reinterpret_cast<WPARAM>(msg), tabId);
    }
    return S_OK;
  });
}

IFACEMETHODIMP CBGC::log(BSTR msg, int tabId) {
  return ExceptionBarrier([&] {
    Host().log.Trace() << kTabLogPrefix << tabId << kTabLogSeparator << msg;
    return S_OK;
  });
}

IFACEMETHODIMP CBGC::getState(int* pInt) {
  return ExceptionBarrier([&] {
    if (!pInt) return E_POINTER;
    *pInt = IsRunning() ? 1 : 0;
    return S_OK;
  });
}

}  // namespace tessary::host
