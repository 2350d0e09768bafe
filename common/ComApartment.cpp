#include "ComApartment.h"

#include <ole2.h>

namespace tessary {

ComApartment::ComApartment(Apartment kind) {
  if (kind == Apartment::kNone) return;
  result_ = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  com_ = SUCCEEDED(result_);
  if (!com_ || kind != Apartment::kSingleThreadedWithOle) return;
  result_ = ::OleInitialize(nullptr);
  ole_ = SUCCEEDED(result_);
}

const char* ComApartment::FailedCall() const {
  if (IsReady()) return nullptr;
  return com_ ? "OleInitialize" : "CoInitializeEx";
}

ComApartment::~ComApartment() {
  if (ole_) ::OleUninitialize();
  if (com_) ::CoUninitialize();
}

}  // namespace tessary
