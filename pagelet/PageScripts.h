#pragma once
// Which page gets which content scripts, decided in one table (PageScripts.cpp).
#include <string>
#include <vector>

namespace tessary::pagelet {

// Addresses that never carry a page of their own (about:, javascript:, res:):
// the agent neither waits for them nor starts scripts for them.
bool IsPseudoUrl(const wchar_t* url);

// The scripts of a page, as files of the extension directory, in the order they
// run: the extension's own import, help and welcome pages get the scripts of a
// tab of the extension, every other page the content scripts.
const std::vector<const wchar_t*>& ScriptsForPage(const std::wstring& url, const std::wstring& extensionDirectory);

}  // namespace tessary::pagelet
