// A deliberately simple EPS encoder that the fuzzers hold the plug-in against.
//
// It shares no code with encode/ or eps/: every rule is written out again in
// the plainest form (one pixel, one character at a time; the header as whole
// literal text), so that a fault in the fast paths cannot hide behind the same
// fault here. Slow by design; only for inputs of fuzzing size.
#ifndef EPS_EXPORT_FUZZ_REFERENCE_ENCODER_H
#define EPS_EXPORT_FUZZ_REFERENCE_ENCODER_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace eps_reference {

// A bitmap as the host describes it, with the sizes of the memory it came in.
struct Bitmap {
  unsigned depth = 0;
  std::uint32_t width = 0;
  std::uint32_t height = 0;  // rows, whichever way they are stored
  bool topDown = false;      // stored row 0 is the top row of the picture
  const std::uint8_t* rows = nullptr;
  std::size_t rowsSize = 0;
  const std::uint8_t* table = nullptr;  // 4-byte entries: blue, green, red, reserved
  std::size_t tableEntries = 0;
};

// Bytes of one stored row, padded to four bytes, spelled out per depth.
inline std::uint64_t Stride(unsigned depth, std::uint32_t width) {
  const std::uint64_t w = width;
  switch (depth) {
    case 1: return (w + 31) / 32 * 4;
    case 4: return (w + 7) / 8 * 4;
    case 8: return (w + 3) / 4 * 4;
    case 24: return (3 * w + 3) / 4 * 4;
    default: return 0;
  }
}

// The stored row that holds picture row y, counting from the bottom.
inline const std::uint8_t* PictureRow(const Bitmap& b, std::uint32_t y) {
  const std::uint32_t stored = b.topDown ? b.height - 1 - y : y;
  return b.rows + stored * Stride(b.depth, b.width);
}

// Colour-table index of pixel x of a 1-, 4- or 8-bit row.
inline unsigned IndexOf(const std::uint8_t* row, std::uint32_t x, unsigned depth) {
  if (depth == 1) {
    const unsigned byte = row[x / 8];
    const unsigned bit = 7 - x % 8;  // the leftmost pixel is the high bit
    return (byte >> bit) & 1;
  }
  if (depth == 4) {
    const unsigned byte = row[x / 2];
    return x % 2 == 0 ? byte / 16 : byte % 16;
  }
  return row[x];
}

// Which of the 256 indices the pixels use.
inline std::vector<bool> UsedIndices(const Bitmap& b) {
  std::vector<bool> used(256, false);
  for (std::uint32_t y = 0; b.width != 0 && y < b.height; ++y) {
    for (std::uint32_t x = 0; x < b.width; ++x) used[IndexOf(PictureRow(b, y), x, b.depth)] = true;
  }
  return used;
}

// Appends one sample's digits and ends the line when it holds 72 characters.
class HexStream {
 public:
  void Put(std::uint8_t v) {
    const char* digits = "0123456789abcdef";
    text_ += digits[v / 16];
    text_ += digits[v % 16];
    column_ += 2;
  }
  void EndSample() {
    if (column_ >= 72) {
      text_ += '\n';
      column_ = 0;
    }
  }
  const std::string& Text() const { return text_; }

 private:
  std::string text_;
  int column_ = 0;
};

struct Samples {
  std::string grey;
  std::string colour;
  bool isColour = false;
};

// Both sample streams and the grey-or-colour decision. Every index the pixels
// use must have a table entry.
inline Samples Encode(const Bitmap& b) {
  HexStream grey, colour;
  bool isColour = b.depth == 24;
  // An empty row list may be billions of rows long; there is nothing to visit.
  for (std::uint32_t y = 0; b.width != 0 && y < b.height; ++y) {
    const std::uint8_t* row = PictureRow(b, y);
    for (std::uint32_t x = 0; x < b.width; ++x) {
      std::uint8_t red, green, blue;
      if (b.depth == 24) {
        blue = row[3 * x];
        green = row[3 * x + 1];
        red = row[3 * x + 2];
      } else {
        const std::uint8_t* entry = b.table + 4 * IndexOf(row, x, b.depth);
        blue = entry[0];
        green = entry[1];
        red = entry[2];
        if (red != green || red != blue) isColour = true;
        grey.Put(red);
        grey.EndSample();
      }
      colour.Put(red);
      colour.Put(green);
      colour.Put(blue);
      colour.EndSample();
    }
  }
  return {grey.Text(), colour.Text(), isColour};
}

// The whole header, with "@" standing for "W H" wherever the size appears.
inline constexpr const char* kGreyHeader =
    "%!PS-Adobe-1.0 EPSF\n"
    "%%BoundingBox: 0 0 @\n"
    "%%Creator: EPS export library v0.1.1.0 by Vorn\n"
    "%%Pages: 1\n"
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
    "@\n"
    "/picstr x string def\n"
    "/ShowImg\n"
    "{ x y 8 [ x 0 0 y 0 0 ]\n"
    " { currentfile picstr readhexstring pop }\n"
    " image } def\n"
    "0 0 translate @ scale\n"
    "ShowImg\n";

inline constexpr const char* kColourHeader =
    "%!PS-Adobe-2.0 EPSF-1.2\n"
    "%%BoundingBox: 0 0 @\n"
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
    "@\n"
    "/picstr x 3 mul string def\n"
    "/ShowImg\n"
    "{ x y 8 [ x 0 0 y 0 0 ]\n"
    " { currentfile picstr readhexstring pop }\n"
    " false 3 colorimage } def\n"
    "0 0 translate @ scale\n"
    "ShowImg\n";

inline constexpr const char* kTrailer = "\nend\ngrestore\nshowpage\n%%Trailer\n%%EOF\n";

inline std::string Header(bool isColour, std::uint32_t width, std::uint32_t height) {
  const std::string size = std::to_string(width) + " " + std::to_string(height);
  std::string text;
  for (const char* p = isColour ? kColourHeader : kGreyHeader; *p != '\0'; ++p) {
    if (*p == '@') {
      text += size;
    } else {
      text += *p;
    }
  }
  return text;
}

// The complete file for a bitmap that exports.
inline std::string Document(const Bitmap& b) {
  const Samples s = Encode(b);
  return Header(s.isColour, b.width, b.height) + (s.isColour ? s.colour : s.grey) + kTrailer;
}

// What a mode-0 export of this memory must return: 0, 102 or 110. Sizes are
// those of the two handles; a zero-byte handle does not lock.
inline int ExpectedResult(const std::uint8_t* description, std::size_t descriptionSize,
                          std::size_t rowsSize, Bitmap& b) {
  if (descriptionSize < 40 || rowsSize == 0) return 110;
  std::int32_t width, height;
  std::uint16_t depth;
  std::memcpy(&width, description + 4, 4);
  std::memcpy(&height, description + 8, 4);
  std::memcpy(&depth, description + 14, 2);
  if (depth != 1 && depth != 4 && depth != 8 && depth != 24) return 102;
  if (width < 0 || height == INT32_MIN) return 110;
  b.depth = depth;
  b.width = static_cast<std::uint32_t>(width);
  b.topDown = height < 0;
  b.height = static_cast<std::uint32_t>(height < 0 ? -std::int64_t{height} : height);
  b.rowsSize = rowsSize;
  if (Stride(b.depth, b.width) * b.height > rowsSize) return 110;
  b.table = description + 40;
  b.tableEntries = (descriptionSize - 40) / 4;
  if (b.depth == 24) return 0;
  const std::vector<bool> used = UsedIndices(b);
  for (std::size_t i = b.tableEntries; i < used.size(); ++i) {
    if (used[i]) return 110;
  }
  return 0;
}

}  // namespace eps_reference

#endif  // EPS_EXPORT_FUZZ_REFERENCE_ENCODER_H
