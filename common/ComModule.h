#pragma once
// The lock count of a COM server module. Each deliverable has exactly one module
// object; objects handed out by its class factories and LockServer(TRUE) hold a
// lock on it. An executable maps the count onto COM's process reference count, a
// library keeps its own for DllCanUnloadNow.
#include <windows.h>

namespace tessary {

class ComModule {
 public:
  ComModule(const ComModule&) = delete;
  ComModule& operator=(const ComModule&) = delete;

  // The one module of this binary; it must have been constructed.
  static ComModule& Current();

  virtual void Lock() = 0;
  virtual void Unlock() = 0;

 protected:
  ComModule();
  virtual ~ComModule();
};

// A lock held for as long as this object lives, once taken.
class ModuleLock {
 public:
  ModuleLock() = default;
  ~ModuleLock() {
    if (held_) ComModule::Current().Unlock();
  }
  ModuleLock(const ModuleLock&) = delete;
  ModuleLock& operator=(const ModuleLock&) = delete;

  void Take() {
    if (!held_) ComModule::Current().Lock();
    held_ = true;
  }

 private:
  bool held_ = false;
};

// The module of an in-process server: lock count for DllCanUnloadNow.
class DllModule : public ComModule {
 public:
  void Lock() override { ::InterlockedIncrement(&locks_); }
  void Unlock() override { ::InterlockedDecrement(&locks_); }
  HRESULT CanUnloadNow() const { return locks_ == 0 ? S_OK : S_FALSE; }

 private:
  volatile LONG locks_ = 0;
};

}  // namespace tessary
