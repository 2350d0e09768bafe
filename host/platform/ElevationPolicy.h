#pragma once
// Internet Explorer's Low Rights elevation policy entry that lets protected-mode
// tabs start the host program without a prompt.
#include <string>

namespace tessary::host {

// Silent on every failure (for example without administrator rights).
void WriteElevationPolicy(const std::wstring& programFolder, const std::wstring& programFileName);
void DeleteElevationPolicy();

}  // namespace tessary::host
