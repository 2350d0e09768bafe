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

ComApartment::~ComApartment() {
  if (ole_) ::OleUninitialize();
  if (com_) ::CoUninitialize();
}

}  // namespace tessary
