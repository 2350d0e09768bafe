#pragma once
// Drives a page as a user would, through its document's script members: clicks
// an element, types into an input, selects an element's text, reads text,
// values and markup. Elements are found by their id in the document. Used by
// the Internet Explorer stand-in's tabs and by tests on a page of another
// process (a popup). Each operation returns an empty string on success and
// otherwise what went wrong.
#include <windows.h>

#include <string>

#include <wrl/client.h>

namespace tessary::test {

class PageDriver {
 public:
  // document may be null: every operation then says that there is no document.
  explicit PageDriver(Microsoft::WRL::ComPtr<IDispatch> document) : document_(std::move(document)) {}

  std::wstring Click(const std::wstring& id);
  // Types character by character: keydown, keypress, the value grown by the
  // character, input and keyup for each, and change at the end.
  std::wstring Type(const std::wstring& id, const std::wstring& text);
  // Selects the element's text as a drag over it does, which ends with the
  // mouse button released over it (mouseup).
  std::wstring Select(const std::wstring& id);
  // The text of the element, or of the whole body for an empty id.
  std::wstring Text(const std::wstring& id, std::wstring* text);
  std::wstring Value(const std::wstring& id, std::wstring* value);
  // The markup inside the element, or inside the body for an empty id.
  std::wstring Html(const std::wstring& id, std::wstring* html);

 private:
  std::wstring Element(const std::wstring& id, Microsoft::WRL::ComPtr<IDispatch>* element);
  std::wstring Read(const std::wstring& id, const wchar_t* property, std::wstring* text);

  Microsoft::WRL::ComPtr<IDispatch> document_;
};

}  // namespace tessary::test
