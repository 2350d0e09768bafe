#pragma once
// Owner of a BSTR.
#include <windows.h>
#include <oleauto.h>

#include <string>
#include <string_view>
#include <utility>

namespace tessary {

// The whole of a BSTR, embedded zeros included; empty for none.
inline std::wstring_view BstrView(BSTR value) {
  return value ? std::wstring_view(value, ::SysStringLen(value)) : std::wstring_view();
}

class Bstr {
 public:
  Bstr() = default;
  explicit Bstr(std::wstring_view text)
      : value_(::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
  // Takes ownership of a BSTR that a callee allocated.
  static Bstr Attach(BSTR value) {
    Bstr b;
    b.value_ = value;
    return b;
  }
  // A copy that keeps embedded zeros (SysAllocString would stop at the first).
  static Bstr Copy(BSTR value) {
    return value ? Bstr(BstrView(value)) : Bstr();
  }
  ~Bstr() { ::SysFreeString(value_); }

  Bstr(Bstr&& other) noexcept : value_(other.Detach()) {}
  Bstr& operator=(Bstr&& other) noexcept {
    if (this != &other) {
      ::SysFreeString(value_);
      value_ = other.Detach();
    }
    return *this;
  }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;

  BSTR Get() const { return value_; }
  BSTR Detach() { return std::exchange(value_, nullptr); }
  BSTR* Put() {
    ::SysFreeString(value_);
    value_ = nullptr;
    return &value_;
  }
  UINT Length() const { return ::SysStringLen(value_); }
  std::wstring_view View() const { return BstrView(value_); }

 private:
  BSTR value_ = nullptr;
};

}  // namespace tessary
