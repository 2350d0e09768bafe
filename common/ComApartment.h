#pragma once
// A thread's stay in a COM apartment: entered when this object is made, left
// in reverse order when it goes, and only as far as it was entered.
#include <windows.h>

namespace tessary {

enum class Apartment {
  kNone,                  // a thread that makes no COM calls
  kSingleThreaded,        // CoInitializeEx(COINIT_APARTMENTTHREADED)
  kSingleThreadedWithOle  // the same, then OleInitialize: windows with controls, the clipboard
};

class ComApartment {
 public:
  explicit ComApartment(Apartment kind);
  ~ComApartment();
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

  // Whether the thread is in the apartment that was asked for.
  bool IsReady() const { return SUCCEEDED(result_); }
  // S_OK, S_FALSE (already in it), or the failure of the call that failed.
  HRESULT Result() const { return result_; }
  // The call that failed, "CoInitializeEx" or "OleInitialize"; null when none did.
  const char* FailedCall() const;

 private:
  HRESULT result_ = S_OK;
  bool com_ = false;
  bool ole_ = false;
};

}  // namespace tessary
