#pragma once
// The content scripts of one top document: a JavaScript engine with the page's
// window and the `extension` object as named items, the scripts of the page's
// set, and their global main().
//
// A call into the context (starting it, main for a frame, a dialog, a message
// from the host) may call the host in turn, and a call across processes lets
// other messages in while it waits: the top window may unload, or the browser
// let go of the agent, in the middle of it. Whoever calls into the context
// therefore holds a Use for the length of the call, and a context destroyed
// meanwhile ends only once the last Use has gone.
#include <windows.h>
#include <activscp.h>
#include <exdisp.h>
#include <mshtml.h>

#include <initializer_list>
#include <memory>

#include <wrl/client.h>

#include "Bstr.h"
#include "CSimpleScriptSite.h"
#include "ComModule.h"
#include "Tessary.h"

namespace tessary::pagelet {

class CScriptContext {
 public:
  class Use {
   public:
    explicit Use(CScriptContext& context) : context_(context) { ++context_.uses_; }
    ~Use();
    Use(const Use&) = delete;
    Use& operator=(const Use&) = delete;

   private:
    CScriptContext& context_;
  };

  CScriptContext();
  // Stops the engine, then tells the host that the page's channel is gone.
  ~CScriptContext();
  CScriptContext(const CScriptContext&) = delete;
  CScriptContext& operator=(const CScriptContext&) = delete;

  // Ends the context now, or once the last of its Uses has gone.
  static void Destroy(std::unique_ptr<CScriptContext> context);

  // Loads and runs the scripts and calls main(); false when any step fails.
  // The host knows the page's tab by `tabId`.
  bool Start(IHTMLWindow2* window, BSTR url, IBGC* hostLink, int tabId);
  // Calls main(document) for a frame's document.
  void RunMain(IHTMLDocument2* document);
  void CompleteDialog(IWebBrowser2* frame) { site_.CompleteDialog(frame); }

 private:
  bool CreateEngine();
  bool ParseScriptFile(DWORD context, const std::wstring& name);
  HRESULT CallMain(std::initializer_list<VARIANT> args);

  // The module stays loaded while a context lives, also one that outlived
  // its agent for the length of a call; given back last.
  ModuleLock moduleLock_;
  Microsoft::WRL::ComPtr<IActiveScript> engine_;
  Microsoft::WRL::ComPtr<IActiveScriptParse> parse_;
  CSimpleScriptSite site_;
  Bstr url_;
  int uses_ = 0;
  // Destroyed while in use: the last Use deletes it.
  bool orphaned_ = false;
  // In its destructor: calls that arrive meanwhile take Uses but end nothing.
  bool ending_ = false;
};

}  // namespace tessary::pagelet
