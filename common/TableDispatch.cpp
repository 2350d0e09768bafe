#include "TableDispatch.h"

#include <utility>

using Microsoft::WRL::ComPtr;

namespace tessary {

HRESULT CreateTableDispatch(INTERFACEDATA* table, LCID lcid, void* object, TableDispatch* result) {
  ComPtr<ITypeInfo> classInfo;
  HRESULT hr = ::CreateDispTypeInfo(table, lcid, &classInfo);
  if (FAILED(hr)) return hr;
  HREFTYPE interfaceRef = 0;
  hr = classInfo->GetRefTypeOfImplType(0, &interfaceRef);
  if (FAILED(hr)) return hr;
  ComPtr<ITypeInfo> interfaceInfo;
  hr = classInfo->GetRefTypeInfo(interfaceRef, &interfaceInfo);
  if (FAILED(hr)) return hr;
  ComPtr<IUnknown> dispatcher;
  hr = ::CreateStdDispatch(nullptr, object, interfaceInfo.Get(), &dispatcher);
  if (FAILED(hr)) return hr;
  ComPtr<IDispatch> dispatch;
  hr = dispatcher.As(&dispatch);
  if (FAILED(hr)) return hr;
  result->typeInfo = std::move(interfaceInfo);
  result->dispatch = std::move(dispatch);
  return S_OK;
}

}  // namespace tessary
