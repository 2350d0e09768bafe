#pragma once
// Window messages of the host program's windows, and the records some of them
// carry. A record passed by pointer in lParam is allocated by the sender and
// freed by the window procedure that receives it.
#include <windows.h>
#include <oaidl.h>

#include <wrl/client.h>

namespace tessary::host {

// Page host window (both kinds).
constexpr UINT WM_AX_QUERY_INTERFACE = WM_APP + 0x01;  // wParam: const IID*, lParam: void**
constexpr UINT WM_AX_INPLACE = WM_APP + 0x09;          // wParam: 1 activate / 0 deactivate

// Background window.
constexpr UINT WM_BG_MARSHAL_WINDOW = WM_APP + 0x08;  // lParam: IStream**
constexpr UINT WM_BG_POPUP_CLOSED = WM_APP + 0x0A;
constexpr UINT WM_BG_CONNECT = WM_APP + 0x65;         // lParam: ConnectRecord*
constexpr UINT WM_BG_DISCONNECT = WM_APP + 0x66;      // lParam: DisconnectRecord*
constexpr UINT WM_BG_MESSAGE = WM_APP + 0x67;         // wParam: BSTR message, lParam: tab id
constexpr UINT WM_BG_SET_HANDLER = WM_APP + 0x68;     // wParam: HandlerSlot, lParam: IDispatch*
constexpr UINT WM_BG_KEEP_CLIPBOARD = WM_APP + 0x69;
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

enum HandlerSlot : WPARAM { kConnectHandler = 1, kDisconnectHandler = 2, kMessageHandler = 3 };

}  // namespace tessary::host
