#pragma once
// The page agent's module: its lock count and registration, and what every page
// agent of the process shares. Internet Explorer runs several tabs in one
// process, each on a thread of its own with its own agent: what is shared here
// is either set once when the module loads or guarded by the module's lock.
#include <windows.h>
#include <oleauto.h>

#include <mutex>
#include <string>

#include <wrl/client.h>

#include "InprocServerModule.h"

namespace tessary::pagelet {

class CpageletModule final : public InprocServerModule {
 public:
  CpageletModule();
  static CpageletModule& Get();

  // The folder of this module, with a trailing backslash; empty when unknown.
  const std::wstring& ExtensionDirectory() const { return extensionDirectory_; }

  // Type descriptions of the content scripts' extension object and of the tab
  // channel, built on first use and shared by every script context.
  HRESULT ExtensionTypeInfo(Microsoft::WRL::ComPtr<ITypeInfo>* info);
  HRESULT ChannelTypeInfo(Microsoft::WRL::ComPtr<ITypeInfo>* info);

  // Whether the extension is in development (DebugMode.h): read from its
  // config.xml by the first agent that asks, on its thread (not while the
  // module loads, where COM may not be used).
  bool DebugMode();

  // The agents' message window class, registered while any agent of the
  // process uses it: the module may be unloaded once the last agent is gone,
  // and no class may then point into it. Held for as long as this object
  // lives, once acquired; a failed acquisition is tried again by the next.
  class MessageWindowClassUse {
   public:
    MessageWindowClassUse() = default;
    ~MessageWindowClassUse() {
      if (held_) Get().ReleaseMessageWindowClass();
    }
    MessageWindowClassUse(const MessageWindowClassUse&) = delete;
    MessageWindowClassUse& operator=(const MessageWindowClassUse&) = delete;

    bool Acquire(WNDPROC procedure) {
      if (!held_) held_ = Get().AcquireMessageWindowClass(procedure);
      return held_;
    }

   private:
    bool held_ = false;
  };

 private:
  bool AcquireMessageWindowClass(WNDPROC procedure);
  void ReleaseMessageWindowClass();

  const std::wstring extensionDirectory_;
  std::mutex mutex_;
  Microsoft::WRL::ComPtr<ITypeInfo> extensionInfo_;
  Microsoft::WRL::ComPtr<ITypeInfo> channelInfo_;
  int windowClassUsers_ = 0;
  std::once_flag debugModeRead_;
  bool debugMode_ = false;
};

}  // namespace tessary::pagelet
