#pragma once
// What CBG and CBGC have in common: IDispatch from the program's type library,
// IProvideClassInfo, aggregation, and no state of their own (every object works
// on the process-wide state, so any number of them behave alike).
#include "ComObject.h"
#include "TypeLibDispatch.h"

namespace tessary::host {

template <class Interface, const CLSID* Clsid>
class HostObject : public ComObjectRoot, public TypeLibDispatch<Interface>, public ProvideClassInfo<Clsid> {
 public:
  static constexpr bool kAggregatable = true;
};

}  // namespace tessary::host
