#include "ScriptMethodTable.h"

namespace tessary {

// The place in the list is the slot, as TESSARY_SCRIPT_INTERFACE declares the
// same list: Method gives DISPID slot + 1.
ScriptMethodTable::ScriptMethodTable(std::initializer_list<ScriptMethod> methods) : methods_(methods) {
  table_.reserve(methods_.size());
  for (ScriptMethod& method : methods_) {
    const UINT slot = static_cast<UINT>(table_.size());
    PARAMDATA* parameters = method.parameters.empty() ? nullptr : method.parameters.data();
    table_.push_back(Method(method.name, slot, method.result, parameters, static_cast<UINT>(method.parameters.size())));
  }
  data_ = INTERFACEDATA{table_.data(), static_cast<UINT>(table_.size())};
}

}  // namespace tessary
