#pragma once
// IUnknown for the system's COM classes, in the manner of ATL's CComObject family.
//
// A class T implements its interfaces, derives from ComObjectRoot and lists its
// interface map as `static const QITAB* Interfaces()`. It leaves IUnknown to one
// of the wrappers below:
//   ComObject<T>     a plain object, reference counted, freed at zero;
//   ComAggObject<T>  the inner object of an aggregate: T's IUnknown delegates to
//                    the outer object, the wrapper itself is the non-delegating
//                    unknown;
//   ClassFactory<T>  creates either, as the caller asks.
// Objects created by a class factory hold a lock on the module once their
// construction has succeeded, so a failed creation never ends a server process.
#include <windows.h>
#include <shlwapi.h>
#include <unknwn.h>

#include <memory>
#include <utility>

#include <wrl/client.h>

#include "ComModule.h"
#include "ComPtrAdopt.h"
#include "ExceptionBarrier.h"
#include "Failures.h"

namespace tessary {

class ComObjectRoot {
 public:
  // Second construction step; a failure is the creation's result and nothing is
  // handed out.
  HRESULT FinalConstruct() { return S_OK; }
  // Whether the class factory accepts an outer unknown.
  static constexpr bool kAggregatable = false;
};

// Apartment-threaded objects: the count is only touched on the owning thread.
template <class T>
class ComObject final : public T {
 public:
  template <class... Args>
  explicit ComObject(Args&&... args) : T(std::forward<Args>(args)...) {}

  // Creates an object for a class factory: constructed, FinalConstruct run,
  // queried for riid and only then counted as a module lock.
  // A construction that runs out of memory is E_OUTOFMEMORY, as the class
  // factory's caller expects, not an exception into COM.
  static HRESULT CreateInstance(REFIID riid, void** ppv) {
    *ppv = nullptr;
    return ExceptionBarrier([&] {
      Microsoft::WRL::ComPtr<ComObject> object = Adopt(new ComObject());
      HRESULT hr = object->FinalConstruct();
      if (SUCCEEDED(hr)) hr = object->QueryInterface(riid, ppv);
      if (SUCCEEDED(hr)) object->lock_.Take();
      return hr;
    });
  }

  IFACEMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    return QISearch(static_cast<T*>(this), T::Interfaces(), riid, ppv);
  }
  IFACEMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
  IFACEMETHODIMP_(ULONG) Release() override {
    const ULONG refs = --refs_;
    if (refs == 0) delete this;
    return refs;
  }

 private:
  ULONG refs_ = 1;
  ModuleLock lock_;
};

template <class T>
class ComAggObject final : public IUnknown {
 public:
  // COM allows an aggregating creation to ask for IUnknown only.
  static HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** ppv) {
    *ppv = nullptr;
    if (!IsEqualIID(riid, IID_IUnknown)) return CLASS_E_NOAGGREGATION;
    return ExceptionBarrier([&] {
      std::unique_ptr<ComAggObject> object(new ComAggObject(outer));
      RETURN_IF_FAILED(object->contained_.FinalConstruct());
      object->lock_.Take();
      *ppv = static_cast<IUnknown*>(object.release());
      return S_OK;
    });
  }

  IFACEMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown)) {
      *ppv = static_cast<IUnknown*>(this);
      AddRef();
      return S_OK;
    }
    return QISearch(static_cast<T*>(&contained_), T::Interfaces(), riid, ppv);
  }
  IFACEMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
  IFACEMETHODIMP_(ULONG) Release() override {
    const ULONG refs = --refs_;
    if (refs == 0) delete this;
    return refs;
  }

 private:
  class Contained final : public T {
   public:
    explicit Contained(IUnknown* outer) : outer_(outer) {}
    IFACEMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
      return outer_->QueryInterface(riid, ppv);
    }
    IFACEMETHODIMP_(ULONG) AddRef() override { return outer_->AddRef(); }
    IFACEMETHODIMP_(ULONG) Release() override { return outer_->Release(); }

   private:
    IUnknown* outer_;  // not counted: the outer object owns us
  };

  explicit ComAggObject(IUnknown* outer) : contained_(outer) {}

  ULONG refs_ = 1;
  Contained contained_;
  ModuleLock lock_;
};

// Creates an object for the binary's own use. It holds no module lock: a server
// process must be able to end while, for example, its own page sites still exist.
template <class T, class... Args>
Microsoft::WRL::ComPtr<T> MakeComObject(Args&&... args) {
  return Adopt<T>(new ComObject<T>(std::forward<Args>(args)...));
}

// One static factory per class; its own references are not counted, as COM
// keeps a server alive through LockServer, not through factory references.
template <class T>
class ClassFactory final : public IClassFactory {
 public:
  static IClassFactory* Instance() {
    static ClassFactory factory;
    return &factory;
  }

  IFACEMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    static const QITAB interfaces[] = {QITABENT(ClassFactory, IClassFactory), {}};
    return QISearch(this, interfaces, riid, ppv);
  }
  IFACEMETHODIMP_(ULONG) AddRef() override { return 2; }
  IFACEMETHODIMP_(ULONG) Release() override { return 1; }

  IFACEMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
    return ExceptionBarrier([&] {
      if (!ppv) return E_POINTER;
      *ppv = nullptr;
      if (!outer) return ComObject<T>::CreateInstance(riid, ppv);
      if constexpr (T::kAggregatable) {
        return ComAggObject<T>::CreateInstance(outer, riid, ppv);
      } else {
        return CLASS_E_NOAGGREGATION;
      }
    });
  }
  IFACEMETHODIMP LockServer(BOOL lock) override {
    return ExceptionBarrier([&] {
      if (lock) {
        ComModule::Current().Lock();
      } else {
        ComModule::Current().Unlock();
      }
      return S_OK;
    });
  }

 private:
  ClassFactory() = default;
};

}  // namespace tessary
