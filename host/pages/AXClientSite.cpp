#include "AXClientSite.h"

#include <exdispid.h>
#include <mshtmhst.h>
#include <shlwapi.h>

#include <memory>

#include "CExtension.h"
#include "ComIdentity.h"
#include "ExceptionBarrier.h"
#include "Failures.h"
#include "HostMessages.h"
#include "HostNames.h"
#include "HostProcess.h"
#include "PageSites.h"
#include "ScriptCallback.h"
#include "ScriptErrors.h"
#include "Variant.h"

using Microsoft::WRL::ComPtr;

namespace tessary::host {
namespace {

constexpr CLSID kClsidWebBrowser = {0x8856F961, 0x340A, 0x11D0, {0xA9, 0x6B, 0x00, 0xC0, 0x4F, 0xD7, 0x05, 0xA2}};

RECT ClientRect(HWND window) {
  RECT rect = {};
  ::GetClientRect(window, &rect);
  return rect;
}

bool IsInPlaceInterface(REFIID riid) {
  return IsEqualIID(riid, IID_IOleInPlaceSite) || IsEqualIID(riid, IID_IOleInPlaceFrame) ||
         IsEqualIID(riid, IID_IOleInPlaceUIWindow);
}

}  // namespace

AXClientSite::AXClientSite(HWND window, bool isBackground, PageEventHandler& events)
    : window_(window), parent_(::GetParent(window)), isBackground_(isBackground), events_(events) {}

AXClientSite::~AXClientSite() = default;

bool AXClientSite::Embed() {
  // Without a storage the control still runs; it only cannot save its state,
  // which the site never asks of it.
  LOG_IF_FAILED(::StgCreateDocfile(nullptr, STGM_READWRITE | STGM_SHARE_EXCLUSIVE | STGM_CREATE, 0, &storage_));
  LOG_IF_FAILED(::OleCreate(kClsidWebBrowser, IID_IOleObject, OLERENDER_DRAW, nullptr, this, storage_.Get(),
                            reinterpret_cast<void**>(object_.GetAddressOf())));
  if (!object_) return false;
  // Ignored, as are the two advises below: they only bring the control's
  // locking and view notifications, which this site does nothing with.
  ::OleSetContainedObject(object_.Get(), TRUE);
  object_->Advise(this, &adviseCookie_);
  object_.As(&viewObject_);
  object_.As(&dataObject_);
  if (viewObject_) viewObject_->SetAdvise(DVASPECT_CONTENT, 0, this);
  object_.As(&browser_);

  // The connection point asks the sink for the interface it fires on.
  ComPtr<IConnectionPointContainer> container;
  ComPtr<IConnectionPoint> point;
  if (browser_ && SUCCEEDED(browser_.As(&container)) &&
      SUCCEEDED(container->FindConnectionPoint(DIID_DWebBrowserEvents2, &point))) {
    // Without the browser's events the page's main is never called.
    LOG_IF_FAILED(point->Advise(static_cast<IDispatch*>(this), &eventCookie_));
  }
  return true;
}

// The control's answers to the teardown are ignored: the site lets go of it
// whatever it answers.
void AXClientSite::CleanUp() {
  if (inPlaceActive_) Deactivate();
  if (eventCookie_) {
    ComPtr<IConnectionPointContainer> container;
    ComPtr<IConnectionPoint> point;
    if (SUCCEEDED(browser_.As(&container)) &&
        SUCCEEDED(container->FindConnectionPoint(DIID_DWebBrowserEvents2, &point))) {
      point->Unadvise(eventCookie_);
    }
    eventCookie_ = 0;
  }
  if (adviseCookie_) {
    object_->Unadvise(adviseCookie_);
    adviseCookie_ = 0;
  }
  activeObject_.Reset();
  dataObject_.Reset();
  viewObject_.Reset();
  storage_.Reset();
  // The control must not call back into a site that is about to be deleted,
  // even if someone else still holds it.
  if (object_) {
    object_->Close(OLECLOSE_NOSAVE);
    object_->SetClientSite(nullptr);
  }
  object_.Reset();
  HostProcess& host = Host();
  host.log.Trace() << kLogCleaningSite << (isBackground_ ? 1 : 0);
  if (isBackground_) {
    Sites().background = nullptr;
  } else {
    Sites().popup = nullptr;
  }
}

bool AXClientSite::SetInPlace(bool activate, bool hideInPlaceInterfaces) {
  if (!object_ || activate == inPlaceActive_) return false;
  if (activate) {
    inPlaceActive_ = true;
    hideInPlaceInterfaces_ = hideInPlaceInterfaces;
    RECT rect = ClientRect(window_);
    LOG_IF_FAILED(object_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, this, 0, window_, &rect));
  } else {
    Deactivate();
  }
  ::InvalidateRect(window_, nullptr, TRUE);
  return true;
}

void AXClientSite::Deactivate() {
  inPlaceActive_ = false;
  ComPtr<IOleInPlaceObject> inPlace;
  if (SUCCEEDED(object_.As(&inPlace))) {
    // Ignored, like the rest of the teardown.
    inPlace->UIDeactivate();
    inPlace->InPlaceDeactivate();
  }
}

HRESULT AXClientSite::QueryControl(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  return object_ ? object_->QueryInterface(riid, ppv) : E_NOINTERFACE;
}

void AXClientSite::Resize() {
  if (!object_) return;
  if (inPlaceActive_) {
    ::SendMessageW(window_, WM_AX_INPLACE, 0, 0);
    ::InvalidateRect(window_, nullptr, TRUE);
    ::SendMessageW(window_, WM_AX_INPLACE, 1, 0);
  }
  ComPtr<IOleInPlaceObject> inPlace;
  if (SUCCEEDED(object_.As(&inPlace))) {
    RECT rect = ClientRect(window_);
    LOG_IF_FAILED(inPlace->SetObjectRects(&rect, &rect));
  }
}

HRESULT AXClientSite::FindEntryPoint(EntryPoint* entry) {
  ComPtr<IDispatch> document;
  if (!browser_ || FAILED(browser_->get_Document(&document)) || !document) return S_FALSE;
  if (FAILED(document.As(&document_))) return S_FALSE;
  if (FAILED(document_->get_parentWindow(pageWindow_.ReleaseAndGetAddressOf()))) return S_FALSE;
  if (FAILED(document_->get_Script(entry->script.ReleaseAndGetAddressOf())) || !entry->script) return E_FAIL;
  LPOLESTR name = const_cast<LPOLESTR>(kEntryPointFunction);
  entry->found = SUCCEEDED(entry->script->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_SYSTEM_DEFAULT, &entry->id));
  return S_OK;
}

HRESULT AXClientSite::CallEntryPoint(const EntryPoint& entry, bool* called) {
  *called = false;
  if (!entry.found) return S_OK;
  auto extension = std::make_unique<CExtension>();
  if (!extension->init(!isBackground_)) return S_OK;
  // The page may keep its script object as long as it likes: it is never freed.
  *called = true;
  return InvokeMethod(entry.script.Get(), entry.id, {ArgDispatch(extension.release())});
}

bool AXClientSite::IsTopLevel(IDispatch* browser) const { return SameObject(browser, browser_.Get()); }

// std::addressof: ComPtr's own operator& empties the pointer, ready to be filled.
ComPtr<IDispatch>* AXClientSite::Handler(WPARAM slot) {
  switch (slot) {
    case kConnectHandler: return std::addressof(connectHandler_);
    case kDisconnectHandler: return std::addressof(disconnectHandler_);
    case kMessageHandler: return std::addressof(messageHandler_);
    default: return nullptr;
  }
}

IFACEMETHODIMP AXClientSite::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (IsEqualIID(riid, IID_IOleInPlaceActiveObject)) return QueryControl(riid, ppv);
  if (hideInPlaceInterfaces_ && IsInPlaceInterface(riid)) return E_NOINTERFACE;
  static const QITAB interfaces[] = {
      QITABENT(AXClientSite, IOleClientSite),
      QITABENT(AXClientSite, IAdviseSink),
      QITABENT(AXClientSite, IDispatch),
      QITABENT(AXClientSite, IOleInPlaceSite),
      QITABENT(AXClientSite, IOleInPlaceFrame),
      QITABENTMULTI(AXClientSite, IOleInPlaceUIWindow, IOleInPlaceFrame),
      QITABENT(AXClientSite, IOleCommandTarget),
      {},
  };
  return QISearch(this, interfaces, riid, ppv);
}

IFACEMETHODIMP_(ULONG) AXClientSite::AddRef() { return ++refs_; }
IFACEMETHODIMP_(ULONG) AXClientSite::Release() { return --refs_; }

IFACEMETHODIMP AXClientSite::SaveObject() { return S_OK; }
IFACEMETHODIMP AXClientSite::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
  return ExceptionBarrier([&] {
    if (moniker) *moniker = nullptr;
    return E_NOTIMPL;
  });
}
IFACEMETHODIMP AXClientSite::GetContainer(IOleContainer** container) {
  return ExceptionBarrier([&] {
    if (container) *container = nullptr;
    return E_FAIL;
  });
}
IFACEMETHODIMP AXClientSite::ShowObject() { return S_OK; }
IFACEMETHODIMP AXClientSite::OnShowWindow(BOOL) {
  return ExceptionBarrier([&] {
    ::InvalidateRect(window_, nullptr, TRUE);
    ::InvalidateRect(parent_, nullptr, TRUE);
    return S_OK;
  });
}
IFACEMETHODIMP AXClientSite::RequestNewObjectLayout() { return S_OK; }

IFACEMETHODIMP AXClientSite::GetTypeInfoCount(UINT*) { return E_NOTIMPL; }
IFACEMETHODIMP AXClientSite::GetTypeInfo(UINT, LCID, ITypeInfo**) { return E_NOTIMPL; }
IFACEMETHODIMP AXClientSite::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return E_NOTIMPL; }
IFACEMETHODIMP AXClientSite::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                                    UINT*) {
  return ExceptionBarrier([&] {
    switch (id) {
      case DISPID_DOCUMENTCOMPLETE: return events_.OnDocumentComplete(*this, params);
      case DISPID_BEFORENAVIGATE2: return events_.OnBeforeNavigate2(*this, params);
      default: return E_NOTIMPL;
    }
  });
}

IFACEMETHODIMP_(void) AXClientSite::OnDataChange(FORMATETC*, STGMEDIUM*) {}
IFACEMETHODIMP_(void) AXClientSite::OnViewChange(DWORD, LONG) {}
IFACEMETHODIMP_(void) AXClientSite::OnRename(IMoniker*) {}
IFACEMETHODIMP_(void) AXClientSite::OnSave() {}
IFACEMETHODIMP_(void) AXClientSite::OnClose() {}

IFACEMETHODIMP AXClientSite::GetWindow(HWND* window) {
  return ExceptionBarrier([&] {
    if (!window) return E_POINTER;
    *window = window_;
    return S_OK;
  });
}
IFACEMETHODIMP AXClientSite::ContextSensitiveHelp(BOOL) { return E_NOTIMPL; }

IFACEMETHODIMP AXClientSite::CanInPlaceActivate() { return inPlaceActive_ ? S_OK : S_FALSE; }
IFACEMETHODIMP AXClientSite::OnInPlaceActivate() { return S_OK; }
IFACEMETHODIMP AXClientSite::OnUIActivate() { return S_OK; }
IFACEMETHODIMP AXClientSite::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                              RECT* position, RECT* clip, OLEINPLACEFRAMEINFO* info) {
  return ExceptionBarrier([&] {
    if (!frame || !document || !position || !clip || !info) return E_POINTER;
    *frame = this;
    AddRef();
    *document = nullptr;
    *position = ClientRect(window_);
    *clip = *position;
    info->cb = sizeof(OLEINPLACEFRAMEINFO);
    info->fMDIApp = FALSE;
    info->hwndFrame = parent_;
    info->haccel = nullptr;
    info->cAccelEntries = 0;
    return S_OK;
  });
}
IFACEMETHODIMP AXClientSite::Scroll(SIZE) { return E_NOTIMPL; }
IFACEMETHODIMP AXClientSite::OnUIDeactivate(BOOL) { return S_OK; }
IFACEMETHODIMP AXClientSite::OnInPlaceDeactivate() { return S_OK; }
IFACEMETHODIMP AXClientSite::DiscardUndoState() { return S_OK; }
IFACEMETHODIMP AXClientSite::DeactivateAndUndo() { return S_OK; }
IFACEMETHODIMP AXClientSite::OnPosRectChange(LPCRECT) { return S_OK; }

IFACEMETHODIMP AXClientSite::GetBorder(RECT* border) {
  return ExceptionBarrier([&] {
    if (!border) return E_POINTER;
    *border = ClientRect(window_);
    return S_OK;
  });
}
IFACEMETHODIMP AXClientSite::RequestBorderSpace(LPCBORDERWIDTHS) { return E_NOTIMPL; }
IFACEMETHODIMP AXClientSite::SetBorderSpace(LPCBORDERWIDTHS) { return S_OK; }
IFACEMETHODIMP AXClientSite::SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR) {
  return ExceptionBarrier([&] {
    activeObject_ = object;
    return S_OK;
  });
}
IFACEMETHODIMP AXClientSite::InsertMenus(HMENU, OLEMENUGROUPWIDTHS*) { return E_NOTIMPL; }
IFACEMETHODIMP AXClientSite::SetMenu(HMENU, HOLEMENU, HWND) { return E_NOTIMPL; }
IFACEMETHODIMP AXClientSite::RemoveMenus(HMENU) { return E_NOTIMPL; }
IFACEMETHODIMP AXClientSite::SetStatusText(LPCOLESTR) { return E_NOTIMPL; }
IFACEMETHODIMP AXClientSite::EnableModeless(BOOL) { return E_NOTIMPL; }
IFACEMETHODIMP AXClientSite::TranslateAccelerator(MSG*, WORD) { return E_NOTIMPL; }

IFACEMETHODIMP AXClientSite::QueryStatus(const GUID*, ULONG, OLECMD*, OLECMDTEXT*) { return E_NOTIMPL; }

// The page goes on running its scripts, as the browser would without a user to
// ask, and no dialog shows: the error is a line in the log.
IFACEMETHODIMP AXClientSite::Exec(const GUID* group, DWORD id, DWORD, VARIANT* in, VARIANT* out) {
  return ExceptionBarrier([&] {
    if (!group || !IsEqualGUID(*group, CGID_DocHostCommandHandler)) return OLECMDERR_E_UNKNOWNGROUP;
    if (id != OLECMDID_SHOWSCRIPTERROR) return OLECMDERR_E_NOTSUPPORTED;
    LogReportedScriptError(in && in->vt == VT_UNKNOWN ? in->punkVal : nullptr, isBackground_ ? L"BG" : L"Popup",
                           Host().log);
    if (out) {
      ::VariantClear(out);
      out->vt = VT_BOOL;
      out->boolVal = VARIANT_TRUE;
    }
    return S_OK;
  });
}

}  // namespace tessary::host
