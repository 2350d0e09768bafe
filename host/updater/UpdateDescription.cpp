#include "UpdateDescription.h"

#include <shlwapi.h>
#include <wrl/client.h>

#include "Bstr.h"
#include "HostNames.h"
#include "Log.h"
#include "SafeXmlDocument.h"

using Microsoft::WRL::ComPtr;

namespace tessary::host {
namespace {

UpdateChoice Unreadable(Log& log) {
  log.Error() << kUpdateThread << kLogCannotParseXml;
  return UpdateChoice::kUnreadable;
}

// The text of the entry's child element of that name; false when it has none.
bool ChildText(IXMLDOMNode* entry, const wchar_t* name, std::wstring* text) {
  ComPtr<IXMLDOMNode> child;
  Bstr value;
  if (entry->selectSingleNode(Bstr(name).Get(), &child) != S_OK || FAILED(child->get_text(value.Put()))) return false;
  *text = value.View();
  return true;
}

bool IsElement(IXMLDOMNode* node) {
  DOMNodeType type = NODE_INVALID;
  return SUCCEEDED(node->get_nodeType(&type)) && type == NODE_ELEMENT;
}

std::wstring UpperCase(std::wstring text) {
  for (wchar_t& c : text) {
    if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
  }
  return text;
}

// The entry as a chosen update if it is complete and newer than best.
bool ReadEntry(IXMLDOMNode* entry, const Version& best, Log& log, ChosenUpdate* update) {
  if (!IsElement(entry) || !ChildText(entry, kUpdateVersionElement, &update->versionText)) return false;
  switch (Version::ParseOffered(update->versionText, &update->version)) {
    case Version::Offer::kValid: break;
    case Version::Offer::kEmpty: return false;
    case Version::Offer::kNegative:
      log.Warning() << kUpdateThread << "Skipped version " << update->versionText << ": a part is negative";
      return false;
  }
  if (!(best < update->version)) return false;
  if (!ChildText(entry, kUpdateUrlElement, &update->url) || update->url.empty()) return false;
  update->fileName = UpdateFileName(update->url);
  if (update->fileName.empty()) {
    log.Warning() << kUpdateThread << kLogNoFileName;
    return false;
  }
  if (!ChildText(entry, kUpdateHashElement, &update->hash) || update->hash.empty()) return false;
  update->hash = UpperCase(update->hash);
  return true;
}

}  // namespace

std::wstring UpdateFileName(const std::wstring& url) {
  const wchar_t* name = ::PathFindFileNameW(url.c_str());
  return name == url.c_str() ? std::wstring() : std::wstring(name);
}

UpdateChoice ChooseUpdate(BSTR text, const Version& current, Log& log, ChosenUpdate* chosen) {
  SafeXmlDocument document;
  if (FAILED(document.Create())) {
    log.Error() << kUpdateThread << "Cannot create DOMDocument";
    return UpdateChoice::kUnreadable;
  }
  XmlLoad loaded = XmlLoad::kMalformed;
  ComPtr<IXMLDOMNode> updates;
  ComPtr<IXMLDOMNodeList> entries;
  long count = 0;
  if (FAILED(document.LoadText(text, &loaded)) || loaded != XmlLoad::kLoaded ||
      document->selectSingleNode(Bstr(kUpdatesElement).Get(), &updates) != S_OK ||
      FAILED(updates->get_childNodes(&entries)) || FAILED(entries->get_length(&count))) {
    return Unreadable(log);
  }

  Version best = current;
  bool found = false;
  for (long i = 0; i < count; ++i) {
    ComPtr<IXMLDOMNode> entry;
    ChosenUpdate update;
    if (entries->nextNode(&entry) != S_OK || !ReadEntry(entry.Get(), best, log, &update)) continue;
    best = update.version;
    *chosen = std::move(update);
    found = true;
  }
  return found ? UpdateChoice::kChosen : UpdateChoice::kNothingNewer;
}

}  // namespace tessary::host
