// The author's guide (docs/extension-guide.md) takes its examples from Tessary
// Notes: a code block after a line <!-- quote: <file>#<region> --> (the file's
// path in the repository) is the
// region of that file between its [guide:<region>] and [/guide:<region>]
// lines, word for word. Every region the sample marks is quoted, so that a
// marked example cannot drift out of the guide unnoticed; the other tests of
// this program run the code the regions hold.
#include <windows.h>

#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "TestEnvironment.h"

namespace tessary::test {
namespace {

const std::wstring kSample = L"extensions\\notes\\";

std::vector<std::string> Lines(const std::string& bytes) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < bytes.size()) {
    size_t end = bytes.find('\n', start);
    if (end == std::string::npos) end = bytes.size();
    std::string line = bytes.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

// The regions a file marks, by name: the lines between the markers.
std::map<std::string, std::string> Regions(const std::vector<std::string>& lines, std::string* problem) {
  std::map<std::string, std::string> regions;
  std::string open;
  std::string text;
  for (const std::string& line : lines) {
    const size_t start = line.find("[guide:");
    const size_t end = line.find("[/guide:");
    if (end != std::string::npos) {
      const std::string name = line.substr(end + 8, line.find(']', end) - end - 8);
      if (name != open) *problem += "[/guide:" + name + "] closes no open region; ";
      regions[name] = text;
      open.clear();
    } else if (start != std::string::npos) {
      if (!open.empty()) *problem += "[guide:" + open + "] is not closed; ";
      open = line.substr(start + 7, line.find(']', start) - start - 7);
      text.clear();
    } else if (!open.empty()) {
      text += line + "\n";
    }
  }
  if (!open.empty()) *problem += "[guide:" + open + "] is not closed; ";
  return regions;
}

struct Quote {
  std::string file;
  std::string region;
  std::string text;
  size_t line;
};

std::vector<Quote> Quotes(const std::vector<std::string>& guide) {
  const std::string marker = "<!-- quote: ";
  std::vector<Quote> quotes;
  for (size_t i = 0; i < guide.size(); ++i) {
    if (guide[i].compare(0, marker.size(), marker) != 0) continue;
    const std::string target = guide[i].substr(marker.size(), guide[i].find(" -->") - marker.size());
    Quote quote{target.substr(0, target.find('#')), target.substr(target.find('#') + 1), "", i + 1};
    size_t line = i + 1;
    if (line < guide.size() && guide[line].compare(0, 3, "```") == 0) {
      for (++line; line < guide.size() && guide[line].compare(0, 3, "```") != 0; ++line) quote.text += guide[line] + "\n";
    } else {
      quote.text = "<no code block follows>";
    }
    quotes.push_back(quote);
  }
  return quotes;
}

TEST(ExtensionGuideTest, EveryQuotedExampleStandsInTheSampleWordForWordAndEveryMarkedOneIsQuoted) {
  const std::vector<std::string> guide = Lines(ReadFileBytes(SourceDirectory() + L"docs\\extension-guide.md"));
  ASSERT_FALSE(guide.empty());
  const std::vector<std::wstring> files = ListFiles(SourceDirectory() + kSample);
  ASSERT_FALSE(files.empty());

  // By file ("extensions/notes/js/mustache.js"), by name.
  std::map<std::string, std::map<std::string, std::string>> regions;
  for (const std::wstring& file : files) {
    std::string problem;
    std::string name = Narrow(kSample + file);
    for (char& c : name) c = c == '\\' ? '/' : c;
    regions[name] = Regions(Lines(ReadFileBytes(SourceDirectory() + kSample + file)), &problem);
    EXPECT_EQ(problem, "") << name;
  }

  std::set<std::string> quoted;
  const std::vector<Quote> quotes = Quotes(guide);
  for (const Quote& quote : quotes) {
    SCOPED_TRACE("docs/extension-guide.md:" + std::to_string(quote.line) + ": " + quote.file + "#" + quote.region);
    const auto file = regions.find(quote.file);
    ASSERT_NE(file, regions.end()) << "no such file in the sample";
    const auto region = file->second.find(quote.region);
    ASSERT_NE(region, file->second.end()) << "no such region in the file";
    EXPECT_EQ(quote.text, region->second);
    quoted.insert(quote.file + "#" + quote.region);
  }
  for (const auto& [file, marked] : regions) {
    for (const auto& [name, text] : marked) EXPECT_EQ(quoted.count(file + "#" + name), 1u) << file << "#" << name << " is not quoted";
  }
  EXPECT_GE(quotes.size(), 10u);
}

// The guide's pictures and the documents' links to each other: a file renamed
// or never added leaves a hole in the page.
TEST(ExtensionGuideTest, EveryLocalLinkAndPictureOfTheDocumentsIsInTheRepository) {
  struct Case {
    const wchar_t* document;
    const wchar_t* folder;  // that the document's links start from
    size_t atLeast;
  };
  for (const Case& c : {Case{L"docs\\extension-guide.md", L"docs\\", 4}, Case{L"README.md", L"", 1}}) {
    SCOPED_TRACE(Narrow(c.document));
    const std::string text = ReadFileBytes(SourceDirectory() + c.document);
    ASSERT_FALSE(text.empty());
    size_t links = 0;
    for (size_t at = text.find("]("); at != std::string::npos; at = text.find("](", at + 2)) {
      const std::string target = text.substr(at + 2, text.find(')', at) - at - 2);
      if (target.find("://") != std::string::npos || target[0] == '#') continue;
      ++links;
      const std::string file = target.substr(0, target.find('#'));  // the documents' links are ASCII
      std::wstring path = SourceDirectory() + c.folder + std::wstring(file.begin(), file.end());
      for (wchar_t& ch : path) ch = ch == L'/' ? L'\\' : ch;
      EXPECT_NE(::GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES) << target;
    }
    EXPECT_GE(links, c.atLeast);
  }
}

// The guide's pictures run the sample's scripts against the host's stand-in in
// tools/pictures/host.js: a method the sample starts to call must be there too,
// or the pictures would show a page whose script stopped.
TEST(ExtensionGuideTest, ThePicturesStandInOffersEveryMethodTheSampleCalls) {
  const std::string standIn = ReadFileBytes(SourceDirectory() + L"tools\\pictures\\host.js");
  ASSERT_FALSE(standIn.empty());
  std::set<std::string> called;
  for (const wchar_t* script : {L"background.js", L"content.js", L"popup.js"}) {
    const std::string text = ReadFileBytes(SourceDirectory() + kSample + script);
    for (const std::string object : {"ext.", "extension."}) {
      for (size_t at = text.find(object); at != std::string::npos; at = text.find(object, at + 1)) {
        if (at > 0 && (std::isalnum(static_cast<unsigned char>(text[at - 1])) || text[at - 1] == '.')) continue;
        size_t end = at + object.size();
        while (end < text.size() && std::isalnum(static_cast<unsigned char>(text[end]))) ++end;
        called.insert(text.substr(at + object.size(), end - at - object.size()));
      }
    }
  }
  EXPECT_GE(called.size(), 15u);
  for (const std::string& method : called) EXPECT_NE(standIn.find(method + ": function"), std::string::npos) << method;
}

}  // namespace
}  // namespace tessary::test
