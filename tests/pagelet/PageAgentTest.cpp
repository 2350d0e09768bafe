// The page agent in a tab of this test program: the WebBrowser stand-in in a
// test container, the agent loaded from its DLL and sited on the browser, and
// the real host program (started by COM) behind it.
#include <gtest/gtest.h>
#include <ocidl.h>

#include <wrl/client.h>

#include "BrowserHost.h"
#include "Bstr.h"
#include "HostRegistration.h"
#include "TestEnvironment.h"
#include "UniqueHandle.h"
#include "Variant.h"

namespace tessary::test {
namespace {

using Microsoft::WRL::ComPtr;

class RegisteredHost : public ::testing::Environment {
 public:
  void SetUp() override { ASSERT_EQ(RegisterHost(), 0u); }
  void TearDown() override { UnregisterHost(); }
};
const auto* const kRegisteredHost = ::testing::AddGlobalTestEnvironment(new RegisteredHost);

// The agent as the browser loads it: from its DLL, through its class factory.
class LoadedAgent {
 public:
  explicit LoadedAgent(const std::wstring& folder) : library_(::LoadLibraryW((folder + L"pagelet.dll").c_str())) {
    using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
    auto get = library_ ? reinterpret_cast<GetClassObject>(
                              reinterpret_cast<void*>(::GetProcAddress(library_.Get(), "DllGetClassObject")))
                        : nullptr;
    CLSID clsid;
    ::CLSIDFromString(L"{B580D708-9951-45B4-A888-4B9A6F4BE682}", &clsid);
    ComPtr<IClassFactory> factory;
    if (get && SUCCEEDED(get(clsid, IID_PPV_ARGS(&factory)))) factory->CreateInstance(nullptr, IID_PPV_ARGS(&agent_));
  }
  ~LoadedAgent() {
    if (agent_) agent_->SetSite(nullptr);
    agent_.Reset();
  }
  bool SiteOn(IWebBrowser2* browser) { return agent_ && SUCCEEDED(agent_->SetSite(browser)); }
  void Release() {
    if (agent_) agent_->SetSite(nullptr);
    agent_.Reset();
  }

 private:
  UniqueLibrary library_;
  ComPtr<IObjectWithSite> agent_;
};

std::wstring BodyAttribute(BrowserHost& tab, const wchar_t* name) {
  ComPtr<IHTMLDocument2> document = tab.Document();
  ComPtr<IHTMLElement> body;
  Variant value;
  if (!document || FAILED(document->get_body(&body)) || !body ||
      FAILED(body->getAttribute(Bstr(name).Get(), 0, value.Put())) || value->vt != VT_BSTR) {
    return L"";
  }
  return value->bstrVal ? value->bstrVal : L"";
}

std::wstring ElementText(BrowserHost& tab, const wchar_t* id) {
  ComPtr<IHTMLDocument2> document = tab.Document();
  Bstr name(id);
  Variant element;
  if (!document || FAILED(CallByName(document.Get(), L"getElementById", {ArgBstr(name.Get())}, element.Get())) ||
      element->vt != VT_DISPATCH || !element->pdispVal) {
    return L"<no element>";
  }
  return GetStringByName(element->pdispVal, L"innerText");
}

bool WaitForBodyAttribute(BrowserHost& tab, const wchar_t* name, DWORD timeoutMs = 15000) {
  return BrowserHost::PumpUntil([&] { return !BodyAttribute(tab, name).empty(); }, timeoutMs);
}

class PageAgentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(tab_.IsValid());
    pages_ = MakeTempFolder(L"pages");
  }
  void TearDown() override {
    agent_.Release();
    WaitForNoHost(15000);
  }
  // Sites the agent on the tab and loads a page into it.
  void Open(const std::wstring& path) {
    ASSERT_TRUE(agent_.SiteOn(tab_.Browser()));
    ASSERT_TRUE(tab_.Load(path));
  }
  std::wstring Page(const std::wstring& name, const std::string& html) { return WriteTestPage(pages_, name, html); }
  std::vector<std::string> LogLines() { return ReadLines(LogFilePath()); }
  bool Logged(const std::string& text) {
    for (const auto& line : LogLines()) {
      if (line.find(text) != std::string::npos) return true;
    }
    return false;
  }

  BrowserHost tab_;
  LoadedAgent agent_{ExtensionDirectory()};
  std::wstring pages_;
};

TEST_F(PageAgentTest, AnOrdinaryPageGetsItsContentScriptsOnceTheHostIsReady) {
  Open(Page(L"plain.html", "<html><body><p>plain</p></body></html>"));
  ASSERT_TRUE(WaitForBodyAttribute(tab_, L"data-scripts"));
  EXPECT_EQ(BodyAttribute(tab_, L"data-scripts"), L"mustache.js;content.js;");
  EXPECT_TRUE(Logged("connect() called"));
}

TEST_F(PageAgentTest, AMessageGoesToTheBackgroundPageAndItsAnswerComesBack) {
  const std::string stored = u8"stored by a tab: \u00e9\u4e2d \U0001F600";
  Open(Page(L"ask.html", "<html><body><div id='request' data-message='set|fromtab|" + stored +
                             "\nget|fromtab'></div><div id='answer'></div></body></html>"));
  ASSERT_TRUE(BrowserHost::PumpUntil([&] { return BodyAttribute(tab_, L"data-answers") == L"2"; }, 15000));
  EXPECT_EQ(ElementText(tab_, L"answer"), L"string:stored by a tab: \u00e9\u4e2d \U0001F600");
}

}  // namespace
}  // namespace tessary::test
