// The document a bitmap must give, written out from the layout rules rather
// than from the code under test: the header and trailer literally, the samples
// from the plain one-sample-at-a-time encoder.
#ifndef EPS_EXPORT_TESTS_SUPPORT_EXPECTED_DOCUMENT_H
#define EPS_EXPORT_TESTS_SUPPORT_EXPECTED_DOCUMENT_H

#include <cstdint>
#include <string>

#include "encode/plain_scan.h"
#include "tests/support/test_bitmap.h"

namespace eps_test {

inline std::string ExpectedHeader(bool colour, std::uint32_t width, std::uint32_t height) {
  const std::string size = std::to_string(width) + " " + std::to_string(height);
  std::string h = colour ? "%!PS-Adobe-2.0 EPSF-1.2\n" : "%!PS-Adobe-1.0 EPSF\n";
  h += "%%BoundingBox: 0 0 " + size + "\n";
  h += "%%Creator: EPS export library v0.1.1.0 by Vorn\n";
  h += "%%Pages: 1\n";
  if (colour) h += "%%Extensions: CMYK\n";
  h += "%%EndComments\n%%BeginProlog\n%%EndProlog\n%%Page: 1 1\ngsave\n4 dict begin\n"
       "/buffer 512 string def\n/SetValue\n{\n currentfile buffer readline pop\n"
       " token pop /x exch def\n token pop /y exch def pop\n} def\nSetValue\n";
  h += size + "\n";
  h += colour ? "/picstr x 3 mul string def\n" : "/picstr x string def\n";
  h += "/ShowImg\n{ x y 8 [ x 0 0 y 0 0 ]\n { currentfile picstr readhexstring pop }\n";
  h += colour ? " false 3 colorimage } def\n" : " image } def\n";
  h += "0 0 translate " + size + " scale\nShowImg\n";
  return h;
}

inline const std::string kExpectedTrailer = "\nend\ngrestore\nshowpage\n%%Trailer\n%%EOF\n";

inline std::string ExpectedDocument(const TestBitmap& bitmap) {
  eps_export::TextBuffer grey, colour;
  const bool isColour =
      eps_export::PlainScan(bitmap.Rows(), bitmap.depth, bitmap.description.data() + 40, grey,
                            colour);
  const auto height = static_cast<std::uint32_t>(bitmap.StoredRows());
  return ExpectedHeader(isColour, static_cast<std::uint32_t>(bitmap.width), height) +
         std::string(isColour ? colour.View() : grey.View()) + kExpectedTrailer;
}

}  // namespace eps_test

#endif  // EPS_EXPORT_TESTS_SUPPORT_EXPECTED_DOCUMENT_H
