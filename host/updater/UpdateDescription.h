#pragma once
// The update description that the update URL serves, and the choice of the
// release to install from it:
//   <updates>
//     <release><version>1.3</version><url>https://…/setup.exe</url><hash>…</hash></release>
//   </updates>
// An entry's own name is free; its hash is the installer's SHA-1 in 40
// hexadecimal digits of either case.
#include <windows.h>
#include <oleauto.h>

#include <string>

#include "Version.h"

namespace tessary::host {

class Log;

struct ChosenUpdate {
  std::wstring versionText;
  std::wstring url;
  // The url's last path component: the name the installer is saved under.
  std::wstring fileName;
  // In upper case.
  std::wstring hash;
  Version version;
};

// The part of a url after its last "/", "\" or ":" that is followed by
// something else than a separator; empty when the url has no such separator.
std::wstring UpdateFileName(const std::wstring& url);

enum class UpdateChoice { kChosen, kNothingNewer, kUnreadable };

// Picks the newest complete entry that is newer than current; among equal
// versions the first. Entries without version, url or hash are skipped, as are
// those whose url names no file and those with a negative version part (both
// with a warning). kUnreadable, with the error logged, when the text is no
// update description.
UpdateChoice ChooseUpdate(BSTR text, const Version& current, Log& log, ChosenUpdate* chosen);

}  // namespace tessary::host
