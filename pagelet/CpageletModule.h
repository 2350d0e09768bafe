#pragma once
// The page agent's module: its lock count and registration, and the values that
// every page agent of the process shares.
#include <windows.h>
#include <oleauto.h>

#include <mutex>
#include <string>

#include <wrl/client.h>

#include "InprocServerModule.h"

namespace tessary::pagelet {

class CpageletModule final : public InprocServerModule {
 public:
  // The agents' message window class, one per process.
  static constexpr wchar_t kMessageWindowClass[] = L"_DUDUMessageWindow";

  CpageletModule();
  static CpageletModule& Get();

  // The tab's identifier as the host program knows it: the process identifier.
  int TabId() const { return tabId_; }
  // The folder of this module, with a trailing backslash; empty when unknown.
  const std::wstring& ExtensionDirectory() const { return extensionDirectory_; }

  // Type descriptions of the content scripts' extension object and of the tab
  // channel, built on first use and shared by every script context.
  HRESULT ExtensionTypeInfo(Microsoft::WRL::ComPtr<ITypeInfo>* info);
  HRESULT ChannelTypeInfo(Microsoft::WRL::ComPtr<ITypeInfo>* info);

  // The agents' message window class, registered while any agent uses it.
  // Only one agent per process may hold it: the tab identifier is the process's.
  bool AcquireMessageWindowClass(WNDPROC procedure);
  void ReleaseMessageWindowClass();

 private:
  const int tabId_;
  const std::wstring extensionDirectory_;
  std::mutex mutex_;
  Microsoft::WRL::ComPtr<ITypeInfo> extensionInfo_;
  Microsoft::WRL::ComPtr<ITypeInfo> channelInfo_;
  bool windowClassHeld_ = false;
};

}  // namespace tessary::pagelet
