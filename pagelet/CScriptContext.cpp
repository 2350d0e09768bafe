#include "CScriptContext.h"

#include "CpageletModule.h"
#include "Failures.h"
#include "PageScripts.h"
#include "PageletNames.h"
#include "ScriptCallback.h"
#include "Utf8Text.h"
#include "Variant.h"

namespace tessary::pagelet {
namespace {

constexpr DWORD kAnyServer = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER;

// Content scripts are read whole into the tab's process, three times over
// (bytes, text, the engine's copy). The extension's scripts weigh a few hundred
// kilobytes; a file far beyond that is not a script of the extension, and
// reading it must not take the browser's memory.
constexpr DWORD kScriptFileLimit = 16 * 1024 * 1024;

}  // namespace

CScriptContext::Use::~Use() {
  if (--context_.uses_ == 0 && context_.orphaned_ && !context_.ending_) delete &context_;
}

CScriptContext::CScriptContext() : site_(*this) { moduleLock_.Take(); }

// An idle context ends as the argument goes; one in use deletes itself later.
void CScriptContext::Destroy(std::unique_ptr<CScriptContext> context) {
  if (!context || context->uses_ == 0) return;
  context->orphaned_ = true;
  context.release();
}

CScriptContext::~CScriptContext() {
  ending_ = true;
  if (engine_) {
    LOG_IF_FAILED(engine_->SetScriptState(SCRIPTSTATE_DISCONNECTED));
    LOG_IF_FAILED(engine_->Close());
    engine_.Reset();
  }
  url_ = Bstr();
  site_.Shutdown();
  parse_.Reset();
}

bool CScriptContext::Start(IHTMLWindow2* window, BSTR url, IBGC* hostLink, int tabId) {
  url_ = Bstr::Copy(url);
  if (!site_.Build(window, url_.Get(), hostLink, tabId) || !CreateEngine()) return false;
  if (FAILED(parse_->InitNew()) || FAILED(engine_->SetScriptSite(&site_)) ||
      FAILED(
          engine_->AddNamedItem(kWindowItem, SCRIPTITEM_ISVISIBLE | SCRIPTITEM_ISSOURCE | SCRIPTITEM_GLOBALMEMBERS)) ||
      FAILED(engine_->AddNamedItem(kExtensionItem, SCRIPTITEM_ISVISIBLE | SCRIPTITEM_ISSOURCE))) {
    return false;
  }
  DWORD context = 0;
  for (const wchar_t* name : ScriptsForPage(std::wstring(url_.View()), CpageletModule::Get().ExtensionDirectory())) {
    if (!ParseScriptFile(context++, name)) return false;
  }
  if (FAILED(engine_->SetScriptState(SCRIPTSTATE_CONNECTED))) return false;
  return SUCCEEDED(CallMain({}));
}

bool CScriptContext::CreateEngine() {
  CLSID clsid;
  if (FAILED(::CLSIDFromProgID(kScriptEngine, &clsid)) ||
      FAILED(::CoCreateInstance(clsid, nullptr, kAnyServer, IID_PPV_ARGS(&engine_)))) {
    site_.HostLog(L"Can't create the Javascript engine for content scripts");
    return false;
  }
  return SUCCEEDED(engine_.As(&parse_));
}

// A script that cannot be read stops the start, with a line in the host's log.
bool CScriptContext::ParseScriptFile(DWORD context, const std::wstring& name) {
  const std::wstring path = CpageletModule::Get().ExtensionDirectory() + name;
  std::string bytes;
  std::wstring text;
  if (ReadWholeFile(path, &bytes, kScriptFileLimit) != FileReadError::kNone) {
    site_.HostLog(L"Can't read content script " + path);
    return false;
  }
  if (!DecodeUtf8Text(bytes, &text)) {
    site_.HostLog(L"Content script is not valid UTF-8: " + path);
    return false;
  }
  site_.NameScript(context, name);
  // A script that does not compile reaches the host's log through the site's
  // OnScriptError; the others still run, as before.
  (void)parse_->ParseScriptText(text.c_str(), nullptr, nullptr, nullptr, context, 0, 0, nullptr, nullptr);
  return true;
}

// A script error in main reaches the host's log through the site's OnScriptError.
void CScriptContext::RunMain(IHTMLDocument2* document) { (void)CallMain({ArgDispatch(document)}); }

// main() with no argument or with one.
HRESULT CScriptContext::CallMain(std::initializer_list<VARIANT> args) {
  if (!engine_) return E_UNEXPECTED;
  Microsoft::WRL::ComPtr<IDispatch> script;
  RETURN_IF_FAILED(engine_->GetScriptDispatch(nullptr, &script));
  return InvokeByName(script.Get(), kEntryPoint, args, nullptr, LOCALE_USER_DEFAULT);
}

}  // namespace tessary::pagelet
