#pragma once
// What CBG and CBGC have in common: IDispatch from the program's type library,
// IProvideClassInfo, aggregation, and no state of their own (every object works
// on the process-wide state, so any number of them behave alike).
#include "BackgroundPage.h"
#include "ComObject.h"
#include "TypeLibDispatch.h"

namespace tessary::host {

template <class Interface, const CLSID* Clsid>
class HostObject : public ComObjectRoot, public TypeLibDispatch<Interface>, public ProvideClassInfo<Clsid> {
 public:
  static constexpr bool kAggregatable = true;
  // The first object of the process starts the background page; when that start
  // fails, this creation fails and hands nothing out.
  HRESULT FinalConstruct() { return StartBackground(); }
};

}  // namespace tessary::host
