#include "LoadedAgent.h"

#include "HostRegistration.h"
#include "ModuleExport.h"

namespace tessary::test {

LoadedAgent::LoadedAgent(const std::wstring& folder) : library_(::LoadLibraryW((folder + L"pagelet.dll").c_str())) {
  using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
  auto get = Export<GetClassObject>(library_.Get(), "DllGetClassObject");
  CLSID clsid;
  ::CLSIDFromString(kAgentClsid, &clsid);
  Microsoft::WRL::ComPtr<IClassFactory> factory;
  if (get && SUCCEEDED(get(clsid, IID_PPV_ARGS(&factory)))) factory->CreateInstance(nullptr, IID_PPV_ARGS(&agent_));
}

LoadedAgent::~LoadedAgent() { Release(); }

bool LoadedAgent::SiteOn(IWebBrowser2* browser) { return agent_ && SUCCEEDED(agent_->SetSite(browser)); }

void LoadedAgent::Release() {
  if (agent_) agent_->SetSite(nullptr);
  agent_.Reset();
}

}  // namespace tessary::test
