// The document text around the samples.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "eps/document.h"
#include "tests/support/expected_document.h"

namespace {

using eps_export::TextBuffer;

std::string Header(bool colour, std::uint32_t width, std::uint32_t height) {
  TextBuffer text;
  eps_export::BuildHeader(text, colour, width, height);
  EXPECT_FALSE(text.Failed());
  return std::string(text.View());
}

TEST(FormatDecimal, UnsignedDigitsWithoutSignOrLeadingZeros) {
  const std::pair<std::uint32_t, const char*> cases[] = {
      {0, "0"}, {7, "7"}, {10, "10"}, {65535, "65535"}, {2147483648u, "2147483648"},
      {4294967295u, "4294967295"}};
  for (const auto& [value, expected] : cases) {
    char digits[10];
    EXPECT_EQ(std::string(digits, eps_export::FormatDecimal(value, digits)), expected);
  }
}

TEST(BuildHeader, ColourThreeByTwoIsExact) {
  const std::string expected =
      "%!PS-Adobe-2.0 EPSF-1.2\n"
      "%%BoundingBox: 0 0 3 2\n"
      "%%Creator: EPS export library v0.1.1.0 by Vorn\n"
      "%%Pages: 1\n"
      "%%Extensions: CMYK\n"
      "%%EndComments\n"
      "%%BeginProlog\n"
      "%%EndProlog\n"
      "%%Page: 1 1\n"
      "gsave\n"
      "4 dict begin\n"
      "/buffer 512 string def\n"
      "/SetValue\n"
      "{\n"
      " currentfile buffer readline pop\n"
      " token pop /x exch def\n"
      " token pop /y exch def pop\n"
      "} def\n"
      "SetValue\n"
      "3 2\n"
      "/picstr x 3 mul string def\n"
      "/ShowImg\n"
      "{ x y 8 [ x 0 0 y 0 0 ]\n"
      " { currentfile picstr readhexstring pop }\n"
      " false 3 colorimage } def\n"
      "0 0 translate 3 2 scale\n"
      "ShowImg\n";
  EXPECT_EQ(Header(true, 3, 2), expected);
  EXPECT_EQ(expected.size(), 492u);
}

TEST(BuildHeader, GreyVariantDropsTheExtensionsLine) {
  const std::string header = Header(false, 3, 2);
  EXPECT_EQ(header, eps_test::ExpectedHeader(false, 3, 2));
  EXPECT_EQ(header.size(), 450u);
  EXPECT_EQ(header.find("%%Extensions"), std::string::npos);
  EXPECT_EQ(header.rfind("%!PS-Adobe-1.0 EPSF\n", 0), 0u);
}

TEST(BuildHeader, SizeGrowsThreeBytesPerDigit) {
  const std::pair<std::uint32_t, std::uint32_t> sizes[] = {
      {0, 0}, {1, 1}, {9, 10}, {4000, 3000}, {4294967295u, 4294967295u}};
  for (const auto& [w, h] : sizes) {
    const std::size_t digits = std::to_string(w).size() + std::to_string(h).size();
    for (bool colour : {false, true}) {
      const std::string header = Header(colour, w, h);
      EXPECT_EQ(header, eps_test::ExpectedHeader(colour, w, h));
      EXPECT_EQ(header.size(), (colour ? 486u : 444u) + 3 * digits) << w << "x" << h;
      EXPECT_EQ(std::count(header.begin(), header.end(), '\n'), colour ? 27 : 26);
      EXPECT_LE(header.size(), eps_export::kHeaderCapacity);
    }
  }
}

TEST(BuildTrailer, EndsTheLastLineThenClosesThePage) {
  TextBuffer text;
  eps_export::BuildTrailer(text);
  EXPECT_EQ(text.View(), "\nend\ngrestore\nshowpage\n%%Trailer\n%%EOF\n");
  EXPECT_EQ(text.Size(), eps_export::kTrailerSize);
}

}  // namespace
