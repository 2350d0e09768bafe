#include "TableDispatch.h"

#include <utility>

using Microsoft::WRL::ComPtr;

namespace tessary {

HRESULT CreateTableTypeInfo(INTERFACEDATA* table, LCID lcid, ComPtr<ITypeInfo>* info) {
  ComPtr<ITypeInfo> classInfo;
  HRESULT hr = ::CreateDispTypeInfo(table, lcid, &classInfo);
  if (FAILED(hr)) return hr;
  HREFTYPE interfaceRef = 0;
  hr = classInfo->GetRefTypeOfImplType(0, &interfaceRef);
  if (FAILED(hr)) return hr;
  return classInfo->GetRefTypeInfo(interfaceRef, info->ReleaseAndGetAddressOf());
}

HRESULT CreateTableDispatcher(ITypeInfo* info, void* object, ComPtr<IDispatch>* dispatch) {
  ComPtr<IUnknown> dispatcher;
  const HRESULT hr = ::CreateStdDispatch(nullptr, object, info, &dispatcher);
  return FAILED(hr) ? hr : dispatcher.As(dispatch);
}

HRESULT CreateTableDispatch(INTERFACEDATA* table, LCID lcid, void* object, TableDispatch* result) {
  ComPtr<ITypeInfo> info;
  HRESULT hr = CreateTableTypeInfo(table, lcid, &info);
  if (FAILED(hr)) return hr;
  ComPtr<IDispatch> dispatch;
  hr = CreateTableDispatcher(info.Get(), object, &dispatch);
  if (FAILED(hr)) return hr;
  result->typeInfo = std::move(info);
  result->dispatch = std::move(dispatch);
  return S_OK;
}

}  // namespace tessary
