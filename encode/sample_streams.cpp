#include "encode/sample_streams.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace eps_export {
namespace {

using HexPair = std::array<char, 2>;

constexpr std::array<HexPair, 256> MakeHexPairs() {
  std::array<HexPair, 256> pairs{};
  for (unsigned v = 0; v < 256; ++v) {
    pairs[v] = {"0123456789abcdef"[v >> 4], "0123456789abcdef"[v & 15]};
  }
  return pairs;
}

constexpr std::array<HexPair, 256> kHexPairs = MakeHexPairs();

inline char* PutHexPair(char* out, std::uint8_t v) {
  std::memcpy(out, kHexPairs[v].data(), 2);
  return out + 2;
}

void ApplyLineRule(TextBuffer& stream, std::int32_t& column) {
  if (column >= kLineLength) {
    stream.Append('\n');
    column = 0;
  }
}

// Writes `count` samples of kChars hex characters from `column` on. `emit(out,
// first, n)` writes samples first..first+n-1 and returns the new end; it is
// only ever asked for a run that fits on the current line, so the line check
// happens once a run rather than once a sample.
template <unsigned kChars, typename Emit>
char* WriteSamples(char* out, std::int32_t& column, std::uint32_t count, Emit&& emit) {
  static_assert(kLineLength % kChars == 0, "samples never straddle a line end");
  std::uint32_t x = 0;
  while (x < count) {
    std::uint32_t room = static_cast<std::uint32_t>(kLineLength - column) / kChars;
    std::uint32_t n = std::min(room, count - x);
    out = emit(out, x, n);
    x += n;
    column += static_cast<std::int32_t>(n * kChars);
    if (column == kLineLength) {
      *out++ = '\n';
      column = 0;
    }
  }
  return out;
}

template <unsigned kDepth>
inline unsigned IndexAt(const std::uint8_t* row, std::uint32_t x) {
  if constexpr (kDepth == 1) {
    return (row[x >> 3] >> (7 - (x & 7))) & 1u;
  } else if constexpr (kDepth == 4) {
    return (x & 1) ? row[x >> 1] & 15u : row[x >> 1] >> 4;
  } else {
    return row[x];
  }
}

// The ready-made text of every colour-table entry a depth can index.
template <unsigned kChars>
struct EntryText {
  std::array<std::array<char, kChars>, 256> text{};

  // Only used entries are read: the table may end right after the highest one.
  EntryText(const std::uint8_t* colourTable, const UsedEntries& used) {
    for (unsigned i = 0; used.count != 0 && i <= used.highest; ++i) {
      if (!used.used[i]) continue;
      const std::uint8_t* entry = colourTable + i * kColourEntrySize;
      char* out = text[i].data();
      out = PutHexPair(out, entry[2]);  // red, also the grey sample
      if constexpr (kChars == kColourChars) {
        out = PutHexPair(out, entry[1]);
        PutHexPair(out, entry[0]);
      }
    }
  }
};

template <unsigned kDepth, unsigned kChars>
void ScanPaletteAs(const PixelRows& rows, const std::uint8_t* colourTable,
                   const UsedEntries& used, TextBuffer& stream) {
  const EntryText<kChars> table(colourTable, used);
  char* const start = stream.Tail();
  char* out = start;
  std::int32_t column = 0;
  for (std::uint32_t i = 0; i < rows.height; ++i) {
    const std::uint8_t* row = rows.Row(i);
    out = WriteSamples<kChars>(out, column, rows.width,
                               [&](char* o, std::uint32_t first, std::uint32_t n) {
                                 for (std::uint32_t x = first; x < first + n; ++x) {
                                   std::memcpy(o, table.text[IndexAt<kDepth>(row, x)].data(),
                                               kChars);
                                   o += kChars;
                                 }
                                 return o;
                               });
  }
  stream.Commit(static_cast<std::size_t>(out - start));
}

template <unsigned kChars>
void ScanPaletteAs(const PixelRows& rows, unsigned depth, const std::uint8_t* colourTable,
                   const UsedEntries& used, TextBuffer& stream) {
  switch (depth) {
    case 1: return ScanPaletteAs<1, kChars>(rows, colourTable, used, stream);
    case 4: return ScanPaletteAs<4, kChars>(rows, colourTable, used, stream);
    default: return ScanPaletteAs<8, kChars>(rows, colourTable, used, stream);
  }
}

void MarkUsed(UsedEntries& entries, unsigned index) { entries.used[index] = true; }

void FindUsedEntries1(const PixelRows& rows, UsedEntries& entries) {
  const std::uint32_t fullBytes = rows.width / 8;
  const unsigned tailBits = rows.width % 8;
  const std::uint8_t tailMask = static_cast<std::uint8_t>(0xFF00u >> tailBits);
  bool zero = false, one = false;
  for (std::uint32_t i = 0; i < rows.height && !(zero && one); ++i) {
    const std::uint8_t* row = rows.Row(i);
    for (std::uint32_t b = 0; b < fullBytes; ++b) {
      one |= row[b] != 0;
      zero |= row[b] != 0xFF;
    }
    if (tailBits != 0) {
      std::uint8_t bits = row[fullBytes] & tailMask;
      one |= bits != 0;
      zero |= bits != tailMask;
    }
  }
  if (zero) MarkUsed(entries, 0);
  if (one) MarkUsed(entries, 1);
}

void FindUsedEntries4(const PixelRows& rows, UsedEntries& entries) {
  bool byteSeen[256] = {};
  const std::uint32_t fullBytes = rows.width / 2;
  for (std::uint32_t i = 0; i < rows.height; ++i) {
    const std::uint8_t* row = rows.Row(i);
    for (std::uint32_t b = 0; b < fullBytes; ++b) byteSeen[row[b]] = true;
    if (rows.width & 1) MarkUsed(entries, row[fullBytes] >> 4);
  }
  for (unsigned v = 0; v < 256; ++v) {
    if (byteSeen[v]) {
      MarkUsed(entries, v >> 4);
      MarkUsed(entries, v & 15);
    }
  }
}

void FindUsedEntries8(const PixelRows& rows, UsedEntries& entries) {
  for (std::uint32_t i = 0; i < rows.height; ++i) {
    const std::uint8_t* row = rows.Row(i);
    for (std::uint32_t x = 0; x < rows.width; ++x) entries.used[row[x]] = true;
  }
}

}  // namespace

char HexDigit(unsigned v) { return static_cast<char>(v < 10 ? '0' + v : 'a' + (v - 10)); }

void AppendGreySample(TextBuffer& stream, std::int32_t& column, std::uint8_t v) {
  const char digits[2] = {HexDigit(v / 16), HexDigit(v % 16)};
  stream.Append(std::string_view(digits, 2));
  column += 2;
  ApplyLineRule(stream, column);
}

void AppendColourSample(TextBuffer& stream, std::int32_t& column, std::uint8_t red,
                        std::uint8_t green, std::uint8_t blue) {
  const char digits[6] = {HexDigit(red / 16),   HexDigit(red % 16),  HexDigit(green / 16),
                          HexDigit(green % 16), HexDigit(blue / 16), HexDigit(blue % 16)};
  stream.Append(std::string_view(digits, 6));
  column += 6;
  ApplyLineRule(stream, column);
}

std::uint64_t SampleTextSize(std::uint64_t pixels, unsigned charsPerPixel) {
  const std::uint64_t chars = pixels * charsPerPixel;
  return chars + chars / kLineLength;
}

bool SampleTextFits(std::uint64_t pixels, unsigned charsPerPixel, std::uint64_t limit) {
  // The first test keeps SampleTextSize from wrapping.
  return pixels <= limit / charsPerPixel && SampleTextSize(pixels, charsPerPixel) <= limit;
}

bool ReserveSampleText(TextBuffer& stream, std::uint64_t pixels, unsigned charsPerPixel,
                       std::uint64_t limit) {
  if (!SampleTextFits(pixels, charsPerPixel, limit)) return false;
  const std::uint64_t size = SampleTextSize(pixels, charsPerPixel);
  return size <= SIZE_MAX && stream.Reserve(static_cast<std::size_t>(size));
}

UsedEntries FindUsedEntries(const PixelRows& rows, unsigned depth) {
  UsedEntries entries;
  switch (depth) {
    case 1: FindUsedEntries1(rows, entries); break;
    case 4: FindUsedEntries4(rows, entries); break;
    default: FindUsedEntries8(rows, entries); break;
  }
  for (unsigned i = 0; i < 256; ++i) {
    if (entries.used[i]) {
      ++entries.count;
      entries.highest = i;
    }
  }
  return entries;
}

bool UsesColour(const UsedEntries& entries, const std::uint8_t* colourTable) {
  for (unsigned i = 0; entries.count != 0 && i <= entries.highest; ++i) {
    if (!entries.used[i]) continue;
    const std::uint8_t* entry = colourTable + i * kColourEntrySize;
    if (entry[2] != entry[1] || entry[2] != entry[0]) return true;
  }
  return false;
}

void ScanTrueColour(const PixelRows& rows, TextBuffer& stream) {
  char* const start = stream.Tail();
  char* out = start;
  std::int32_t column = 0;
  for (std::uint32_t i = 0; i < rows.height; ++i) {
    const std::uint8_t* row = rows.Row(i);
    out = WriteSamples<kColourChars>(out, column, rows.width,
                                     [row](char* o, std::uint32_t first, std::uint32_t n) {
                                       const std::uint8_t* p = row + std::size_t{3} * first;
                                       for (std::uint32_t k = 0; k < n; ++k, p += 3) {
                                         o = PutHexPair(o, p[2]);
                                         o = PutHexPair(o, p[1]);
                                         o = PutHexPair(o, p[0]);
                                       }
                                       return o;
                                     });
  }
  stream.Commit(static_cast<std::size_t>(out - start));
}

void ScanPalette(const PixelRows& rows, unsigned depth, const std::uint8_t* colourTable,
                 const UsedEntries& used, bool isColour, TextBuffer& stream) {
  if (isColour) {
    ScanPaletteAs<kColourChars>(rows, depth, colourTable, used, stream);
  } else {
    ScanPaletteAs<kGreyChars>(rows, depth, colourTable, used, stream);
  }
}

}  // namespace eps_export
