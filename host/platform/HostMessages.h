#pragma once
// Window messages of the host program's windows, and the records some of them
// carry. A record passed by pointer in lParam is allocated by the sender and
// freed by the window procedure that receives it.
#include <windows.h>
#include <oaidl.h>

#include <wrl/client.h>

#include "HostNames.h"

namespace tessary::host {

// The program's own background window messages; the fixed ones are in HostNames.h.
constexpr UINT WM_BG_CHANNEL_LOST = WM_APP + 0x6A;    // lParam: LostChannelRecord* (posted)
constexpr UINT WM_BG_RELEASE_SERVER = WM_APP + 0x6B;  // gives back a ServerReference

// The strings and interfaces of the records belong to the COM call in progress.
struct ConnectRecord {
  int tabId;
  IDispatch* pDisp;
  BSTR url;
};

struct DisconnectRecord {
  int tabId;
  IDispatch* pDisp;
};

// A channel whose tab is gone: posted, so the record holds its own reference.
struct LostChannelRecord {
  int tabId;
  Microsoft::WRL::ComPtr<IDispatch> channel;
};

}  // namespace tessary::host
