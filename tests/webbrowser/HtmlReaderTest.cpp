// The stand-in's HTML reader on its own: what pages are made of, and markup
// that is broken.
#include <gtest/gtest.h>

#include "Address.h"
#include "HtmlReader.h"

namespace tessary::webbrowser {
namespace {

struct Problems {
  std::vector<std::pair<int, std::wstring>> seen;
  HtmlProblemReport Report() {
    return [this](int line, const std::wstring& problem) { seen.emplace_back(line, problem); };
  }
};

TEST(HtmlReaderTest, ReadsElementsAttributesTextAndReferences) {
  Problems problems;
  const auto nodes = ReadHtml(
      L"<DIV id=\"a\" class='b c' data-x=d hidden>One &amp; two &#65;&#x263A;<br><Span>in</span></div>",
      problems.Report());
  ASSERT_EQ(nodes.size(), 1u);
  const HtmlNode& div = nodes[0];
  EXPECT_EQ(div.tag, L"div");
  ASSERT_EQ(div.attributes.size(), 4u);
  EXPECT_EQ(div.attributes[0], std::make_pair(std::wstring(L"id"), std::wstring(L"a")));
  EXPECT_EQ(div.attributes[1].second, L"b c");
  EXPECT_EQ(div.attributes[2].second, L"d");
  EXPECT_EQ(div.attributes[3], std::make_pair(std::wstring(L"hidden"), std::wstring()));
  ASSERT_EQ(div.children.size(), 3u);
  EXPECT_EQ(div.children[0].text, L"One & two A\u263A");
  EXPECT_EQ(div.children[1].tag, L"br");
  EXPECT_TRUE(div.children[1].children.empty());
  EXPECT_EQ(div.children[2].children.at(0).text, L"in");
  EXPECT_TRUE(problems.seen.empty());
}

TEST(HtmlReaderTest, KeepsScriptsRawSkipsCommentsAndCountsLines) {
  Problems problems;
  const auto nodes = ReadHtml(L"<!DOCTYPE html>\n<!-- <p>not here</p> -->\n<script>if (a < b && c) { x = '</p>'; }</script>",
                              problems.Report());
  ASSERT_EQ(nodes.size(), 2u);  // the line breaks around the comment, then the script
  const HtmlNode& script = nodes.back();
  EXPECT_EQ(script.tag, L"script");
  EXPECT_EQ(script.text, L"if (a < b && c) { x = '</p>'; }");
  EXPECT_EQ(script.line, 3);
  EXPECT_TRUE(problems.seen.empty());
}

TEST(HtmlReaderTest, ReportsBrokenMarkupWithItsLineAndReadsOn) {
  Problems problems;
  const auto nodes = ReadHtml(L"<p>one\n</div>\n<span><b>two</span>\n<a href=\"x\n<!-- open", problems.Report());
  ASSERT_FALSE(nodes.empty());
  EXPECT_EQ(nodes[0].tag, L"p");
  std::vector<int> lines;
  for (const auto& [line, problem] : problems.seen) lines.push_back(line);
  EXPECT_EQ(problems.seen.size(), 2u) << "a stray end tag and an unterminated tag";
  EXPECT_EQ(lines, (std::vector<int>{2, 4}));
  EXPECT_NE(problems.seen[0].second.find(L"</div>"), std::wstring::npos);
}

TEST(HtmlReaderTest, ReadsMarkupNestedTooDeeplyFlat) {
  std::wstring deep;
  for (int i = 0; i < 20000; ++i) deep += L"<div>";
  Problems problems;
  const auto nodes = ReadHtml(deep + L"end", problems.Report());
  ASSERT_EQ(nodes.size(), 1u);
  size_t depth = 0;
  for (const HtmlNode* node = &nodes[0]; !node->children.empty(); node = &node->children.back()) ++depth;
  EXPECT_LE(depth, 300u);
  ASSERT_FALSE(problems.seen.empty());
  EXPECT_NE(problems.seen[0].second.find(L"deeper"), std::wstring::npos);
}

TEST(HtmlReaderTest, ShapesAPageIntoHeadAndBody) {
  const HtmlNode page = ReadHtmlDocument(L"<title>T</title><p>text</p>", {});
  ASSERT_EQ(page.tag, L"html");
  ASSERT_EQ(page.children.size(), 1u);
  EXPECT_EQ(page.children[0].tag, L"body");
  EXPECT_EQ(page.children[0].children.size(), 2u);
  const HtmlNode full = ReadHtmlDocument(L"<html><head><title>T</title></head>\n<body><p>x</p></body></html>", {});
  ASSERT_EQ(full.children.size(), 2u);
  EXPECT_EQ(full.children[0].tag, L"head");
  EXPECT_EQ(full.children[1].tag, L"body");
  EXPECT_EQ(full.children[1].children.at(0).tag, L"p");
}

TEST(AddressTest, ResolvesReferencesAgainstPathsAndFileUrls) {
  EXPECT_EQ(ToUrl(L"C:\\dir\\page.html"), L"file:///C:/dir/page.html");
  EXPECT_EQ(ResolveReference(L"C:\\dir\\page.html", L"frame.html"), L"file:///C:/dir/frame.html");
  EXPECT_EQ(ResolveReference(L"file:///C:/dir/sub/page.html", L"../js/a.js"), L"file:///C:/dir/js/a.js");
  EXPECT_EQ(ResolveReference(L"file:///C:/dir/page.html", L"/top.html"), L"file:///C:/top.html");
  EXPECT_EQ(ResolveReference(L"file:///C:/dir/page.html", L"about:blank"), L"about:blank");
  EXPECT_EQ(ResolveReference(L"file:///C:/dir/page.html", L"D:\\x.html"), L"D:\\x.html");
  EXPECT_EQ(ToFilePath(L"file:///C:/my%20dir/p%C3%A4ge.html?q=1#top"), L"C:\\my dir\\p\u00e4ge.html");
  EXPECT_EQ(ToFilePath(L"about:blank"), L"");
}

}  // namespace
}  // namespace tessary::webbrowser
