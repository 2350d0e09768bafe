#include "PageScripts.h"

#include <algorithm>
#include <cwchar>
#include <cwctype>
#include <iterator>

#include "PageletNames.h"
#include "SharedNames.h"

namespace tessary::pagelet {
namespace {

enum class Where {
  kAddressStart,   // the address begins with the text, as the browser spells it
  kExtensionPage,  // a page of the extension directory whose address holds the text, in any case
  kAnyPage,
};

struct PageRule {
  Where where;
  const wchar_t* text;
  std::vector<const wchar_t*> scripts;
};

// The first rule that matches a page gives its scripts.
const PageRule kPageRules[] = {
    {Where::kAddressStart, kAboutPrefix, {}},
    {Where::kAddressStart, kJavascriptPrefix, {}},
    {Where::kAddressStart, kResourcePrefix, {}},
    {Where::kExtensionPage, kImportPage, {kMustacheScript, kConfigScript, kImportTabScript, kTabScript}},
    {Where::kExtensionPage, kHelpPage, {kMustacheScript, kTabScript}},
    {Where::kExtensionPage, kWelcomePage, {kMustacheScript, kTabScript}},
    {Where::kAnyPage, L"", {kMustacheScript, kContentScript}},
};

bool StartsWith(const wchar_t* text, const wchar_t* prefix) {
  return std::wcsncmp(text, prefix, std::wcslen(prefix)) == 0;
}

std::wstring Lower(std::wstring text) {
  std::transform(text.begin(), text.end(), text.begin(), [](wchar_t c) { return std::towlower(c); });
  return text;
}

// Whether a page address lies inside the extension directory: as the browser
// reports local files, by path, or as a file URL.
bool IsInsideExtension(const std::wstring& page, const std::wstring& directory) {
  const std::wstring path = Lower(directory);
  std::wstring asUrl = kFileUrlPrefix + path;
  std::replace(asUrl.begin(), asUrl.end(), L'\\', L'/');
  return !path.empty() && (page.rfind(path, 0) == 0 || page.rfind(asUrl, 0) == 0);
}

}  // namespace

bool IsPseudoUrl(const wchar_t* url) {
  for (const PageRule& rule : kPageRules) {
    if (rule.where == Where::kAddressStart && StartsWith(url, rule.text)) return true;
  }
  return false;
}

// The address rules say which pages the agent waits for. A context started all
// the same (a frame's completion starts one for whatever the top window shows)
// gets the scripts of the page rules.
const std::vector<const wchar_t*>& ScriptsForPage(const std::wstring& url, const std::wstring& extensionDirectory) {
  const std::wstring page = Lower(url);
  const bool inside = IsInsideExtension(page, extensionDirectory);
  for (const PageRule& rule : kPageRules) {
    if (rule.where == Where::kAnyPage ||
        (rule.where == Where::kExtensionPage && inside && page.find(rule.text) != std::wstring::npos)) {
      return rule.scripts;
    }
  }
  return kPageRules[std::size(kPageRules) - 1].scripts;
}

}  // namespace tessary::pagelet
