#pragma once
// Conversions between the system's string forms.
#include <string>
#include <string_view>

namespace tessary {

// A wide string in the ANSI code page, without best-fit substitutes. Fails (false)
// when a character has no representation there, as such a path cannot be opened.
bool ToAnsi(std::wstring_view text, std::string* result);

}  // namespace tessary
