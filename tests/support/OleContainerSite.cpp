#include "OleContainerSite.h"

#include <ocidl.h>

using Microsoft::WRL::ComPtr;

namespace tessary::test {

HRESULT OleContainerSite::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
  if (moniker) *moniker = nullptr;
  return E_NOTIMPL;
}

HRESULT OleContainerSite::GetContainer(IOleContainer** container) {
  if (container) *container = nullptr;
  return E_NOINTERFACE;
}

HRESULT OleContainerSite::GetWindow(HWND* result) {
  if (!result) return E_POINTER;
  *result = window_;
  return S_OK;
}

HRESULT OleContainerSite::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, LPRECT position,
                                           LPRECT clip, LPOLEINPLACEFRAMEINFO info) {
  if (!frame || !document || !position || !clip || !info) return E_POINTER;
  *frame = this;
  (*frame)->AddRef();
  *document = nullptr;
  ::GetClientRect(window_, position);
  *clip = *position;
  info->fMDIApp = FALSE;
  info->hwndFrame = window_;
  info->haccel = nullptr;
  info->cAccelEntries = 0;
  return S_OK;
}

HRESULT OleContainerSite::GetBorder(LPRECT border) { return ::GetClientRect(window_, border) ? S_OK : E_FAIL; }

HRESULT EmbedControl(REFCLSID clsid, OleContainerSite* site, ComPtr<IOleObject>* object) {
  ComPtr<IStorage> storage;
  HRESULT hr = ::StgCreateDocfile(nullptr, STGM_READWRITE | STGM_SHARE_EXCLUSIVE | STGM_CREATE | STGM_DELETEONRELEASE,
                                  0, &storage);
  if (FAILED(hr)) return hr;
  IOleClientSite* clientSite = site;
  hr = ::OleCreate(clsid, IID_IOleObject, OLERENDER_DRAW, nullptr, clientSite, storage.Get(),
                   reinterpret_cast<void**>(object->ReleaseAndGetAddressOf()));
  if (FAILED(hr)) return hr;
  ::OleSetContainedObject(object->Get(), TRUE);
  RECT client;
  ::GetClientRect(site->Window(), &client);
  return (*object)->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, clientSite, 0, site->Window(), &client);
}

void CloseControl(IOleObject* object) {
  if (!object) return;
  ComPtr<IOleInPlaceObject> inPlace;
  if (SUCCEEDED(object->QueryInterface(IID_PPV_ARGS(&inPlace)))) inPlace->InPlaceDeactivate();
  object->Close(OLECLOSE_NOSAVE);
  object->SetClientSite(nullptr);
}

namespace {

HRESULT FindPoint(IUnknown* source, REFIID events, ComPtr<IConnectionPoint>* point) {
  ComPtr<IConnectionPointContainer> container;
  const HRESULT hr = source->QueryInterface(IID_PPV_ARGS(&container));
  return FAILED(hr) ? hr : container->FindConnectionPoint(events, point->ReleaseAndGetAddressOf());
}

}  // namespace

HRESULT AdviseEvents(IUnknown* source, REFIID events, IUnknown* sink, DWORD* cookie) {
  ComPtr<IConnectionPoint> point;
  const HRESULT hr = FindPoint(source, events, &point);
  return FAILED(hr) ? hr : point->Advise(sink, cookie);
}

HRESULT UnadviseEvents(IUnknown* source, REFIID events, DWORD cookie) {
  ComPtr<IConnectionPoint> point;
  const HRESULT hr = FindPoint(source, events, &point);
  return FAILED(hr) ? hr : point->Unadvise(cookie);
}

}  // namespace tessary::test
