#include "TableDispatch.h"

#include "Failures.h"

#include <utility>

using Microsoft::WRL::ComPtr;

namespace tessary {

HRESULT CreateTableTypeInfo(INTERFACEDATA* table, LCID lcid, ComPtr<ITypeInfo>* info) {
  ComPtr<ITypeInfo> classInfo;
  RETURN_IF_FAILED(::CreateDispTypeInfo(table, lcid, &classInfo));
  HREFTYPE interfaceRef = 0;
  RETURN_IF_FAILED(classInfo->GetRefTypeOfImplType(0, &interfaceRef));
  return classInfo->GetRefTypeInfo(interfaceRef, info->ReleaseAndGetAddressOf());
}

HRESULT CreateTableDispatcher(ITypeInfo* info, void* object, ComPtr<IDispatch>* dispatch) {
  ComPtr<IUnknown> dispatcher;
  const HRESULT hr = ::CreateStdDispatch(nullptr, object, info, &dispatcher);
  return FAILED(hr) ? hr : dispatcher.As(dispatch);
}

HRESULT CreateTableDispatch(INTERFACEDATA* table, LCID lcid, void* object, TableDispatch* result) {
  ComPtr<ITypeInfo> info;
  RETURN_IF_FAILED(CreateTableTypeInfo(table, lcid, &info));
  ComPtr<IDispatch> dispatch;
  RETURN_IF_FAILED(CreateTableDispatcher(info.Get(), object, &dispatch));
  result->typeInfo = std::move(info);
  result->dispatch = std::move(dispatch);
  return S_OK;
}

}  // namespace tessary
