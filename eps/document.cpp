#include "eps/document.h"

namespace eps_export {
namespace {

void AppendDecimal(TextBuffer& text, std::uint32_t value) {
  char digits[10];
  text.Append(std::string_view(digits, FormatDecimal(value, digits)));
}

// "W H", as the bounding box, the size line and the placement carry it.
void AppendSize(TextBuffer& text, std::uint32_t width, std::uint32_t height) {
  AppendDecimal(text, width);
  text.Append(' ');
  AppendDecimal(text, height);
}

}  // namespace

std::size_t FormatDecimal(std::uint32_t value, char digits[10]) {
  char reversed[10];
  std::size_t n = 0;
  do {
    reversed[n++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  for (std::size_t i = 0; i < n; ++i) digits[i] = reversed[n - 1 - i];
  return n;
}

void BuildHeader(TextBuffer& text, bool isColour, std::uint32_t width, std::uint32_t height) {
  text.Append(isColour ? "%!PS-Adobe-2.0 EPSF-1.2\n" : "%!PS-Adobe-1.0 EPSF\n");
  text.Append("%%BoundingBox: 0 0 ");
  AppendSize(text, width, height);
  text.Append("\n%%Creator: ");
  text.Append(kCreator);
  text.Append("\n%%Pages: 1\n");
  if (isColour) text.Append("%%Extensions: CMYK\n");
  text.Append(
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
      "SetValue\n");
  AppendSize(text, width, height);
  text.Append(isColour ? "\n/picstr x 3 mul string def\n" : "\n/picstr x string def\n");
  text.Append(
      "/ShowImg\n"
      "{ x y 8 [ x 0 0 y 0 0 ]\n"
      " { currentfile picstr readhexstring pop }\n");
  text.Append(isColour ? " false 3 colorimage } def\n" : " image } def\n");
  text.Append("0 0 translate ");
  AppendSize(text, width, height);
  text.Append(" scale\nShowImg\n");
}

void BuildTrailer(TextBuffer& text) {
  text.Append(
      "\n"
      "end\n"
      "grestore\n"
      "showpage\n"
      "%%Trailer\n"
      "%%EOF\n");
}

}  // namespace eps_export
