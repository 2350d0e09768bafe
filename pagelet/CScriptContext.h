#pragma once
// The content scripts of one top document: a JavaScript engine with the page's
// window and the `extension` object as named items, the scripts of the page's
// set, and their global main().
#include <windows.h>
#include <activscp.h>
#include <exdisp.h>
#include <mshtml.h>

#include <initializer_list>

#include <wrl/client.h>

#include "Bstr.h"
#include "CSimpleScriptSite.h"
#include "Tessary.h"

namespace tessary::pagelet {

class CScriptContext {
 public:
  CScriptContext() = default;
  // Stops the engine, then tells the host that the page's channel is gone.
  ~CScriptContext();
  CScriptContext(const CScriptContext&) = delete;
  CScriptContext& operator=(const CScriptContext&) = delete;

  // Loads and runs the scripts and calls main(); false when any step fails.
  bool Start(IHTMLWindow2* window, BSTR url, IBGC* hostLink);
  // Calls main(document) for a frame's document.
  void RunMain(IHTMLDocument2* document);
  void CompleteDialog(IWebBrowser2* frame) { site_.CompleteDialog(frame); }

 private:
  bool CreateEngine();
  bool ParseScriptFile(DWORD context, const std::wstring& name);
  HRESULT CallMain(std::initializer_list<VARIANT> args);

  Microsoft::WRL::ComPtr<IActiveScript> engine_;
  Microsoft::WRL::ComPtr<IActiveScriptParse> parse_;
  CSimpleScriptSite site_;
  Bstr url_;
};

}  // namespace tessary::pagelet
