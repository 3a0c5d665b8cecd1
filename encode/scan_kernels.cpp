// Whole-line scans. Every stream is a run of 72-character lines that runs on
// across pixel rows, so each row is written as: the samples that finish the
// line left open by the row before, then as many whole lines as the row holds
// (the fast part: fixed size, no line checks inside), then the samples that
// open the next line. A kernel supplies the two pieces for one kind of pixel.
#include "encode/scan_kernels.h"

#include <algorithm>
#include <array>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define EPS_EXPORT_X86_SIMD 1
#endif

namespace eps_export {
namespace {

using HexPair = std::array<char, 2>;

constexpr std::array<HexPair, 256> MakeHexPairs() {
  std::array<HexPair, 256> pairs{};
  for (unsigned v = 0; v < 256; ++v) {
    pairs[v] = {HexDigit(v >> 4), HexDigit(v & 15)};
  }
  return pairs;
}

constexpr std::array<HexPair, 256> kHexPairs = MakeHexPairs();

inline char* PutHexPair(char* out, std::uint8_t v) {
  std::memcpy(out, kHexPairs[v].data(), 2);
  return out + 2;
}

constexpr std::uint32_t kLineBytes = kLineLength + 1;  // with its LF

// Row by row, as described at the top. `kernel.Run(out, row, x, n)` writes
// samples x..x+n-1 of `row` (n never completes a line on its own: exact size,
// no LF); `kernel.Lines(out, row, x, count)` writes `count` whole lines from
// sample x on, each with its LF.
template <typename Kernel>
void WalkRows(const PixelRows& rows, const Kernel& kernel, TextBuffer& stream) {
  constexpr std::uint32_t kPerLine = kLineLength / Kernel::kChars;
  char* const start = stream.Tail();
  char* out = start;
  std::uint32_t column = 0;  // samples on the open line
  for (std::uint32_t i = 0; i < rows.height; ++i) {
    const std::uint8_t* row = rows.Row(i);
    std::uint32_t x = 0;
    if (column != 0) {
      x = std::min(kPerLine - column, rows.width);
      out = kernel.Run(out, row, 0, x);
      column += x;
      if (column < kPerLine) continue;  // the row ended first
      *out++ = '\n';
      column = 0;
    }
    const std::uint32_t lines = (rows.width - x) / kPerLine;
    out = kernel.Lines(out, row, x, lines);
    x += lines * kPerLine;
    column = rows.width - x;
    out = kernel.Run(out, row, x, column);
  }
  stream.Commit(static_cast<std::size_t>(out - start));
}

// ------------------------------------------------------- hex of byte runs
//
// Two streams are hex of source bytes in a fixed order: 24-bit pixels (each
// pixel's three bytes reversed) and 8-bit indices into a grey ramp whose entry
// i holds grey i (the bytes themselves). A whole line is 36 source bytes.

constexpr std::uint32_t kLineSource = kLineLength / 2;

// Source byte of the r-th sample byte of a line.
constexpr std::uint32_t SourceOf(std::uint32_t r, bool colour) {
  return colour ? 3 * (r / 3) + 2 - r % 3 : r;
}

inline char* PutSourceHex(char* out, const std::uint8_t* source, std::uint32_t sampleBytes,
                          bool colour) {
  if (!colour) {
    for (std::uint32_t r = 0; r < sampleBytes; ++r) out = PutHexPair(out, source[r]);
    return out;
  }
  for (std::uint32_t r = 0; r < sampleBytes; r += 3, source += 3) {
    out = PutHexPair(PutHexPair(PutHexPair(out, source[2]), source[1]), source[0]);
  }
  return out;
}

template <bool kColour>
char* HexLinesPlain(char* out, const std::uint8_t* source, std::uint32_t lines) {
  for (; lines != 0; --lines, source += kLineSource) {
    out = PutSourceHex(out, source, kLineSource, kColour);
    *out++ = '\n';
  }
  return out;
}

using LinesFunction = char* (*)(char* out, const std::uint8_t* source, std::uint32_t lines);

// Runs of samples: 24-bit pixels or ramp indices.
template <bool kColour>
struct SourceHexKernel {
  static constexpr unsigned kChars = kColour ? kColourChars : kGreyChars;
  static constexpr std::uint32_t kBytesPerPixel = kColour ? 3 : 1;
  LinesFunction lines;

  char* Run(char* out, const std::uint8_t* row, std::uint32_t x, std::uint32_t n) const {
    return PutSourceHex(out, row + std::size_t{kBytesPerPixel} * x, n * kBytesPerPixel, kColour);
  }
  char* Lines(char* out, const std::uint8_t* row, std::uint32_t x, std::uint32_t count) const {
    return lines(out, row + std::size_t{kBytesPerPixel} * x, count);
  }
};

#if EPS_EXPORT_X86_SIMD
// One 16-character piece of a line: chars [chars, chars+16) come from the 16
// source bytes at `load`, picked in sample order with each byte doubled (once
// for its high digit, once for its low one). Loads stay inside the line.
struct Window {
  std::uint32_t chars = 0;
  std::uint32_t load = 0;
  std::array<std::uint8_t, 16> pick{};
};

constexpr Window MakeWindow(std::uint32_t chars, bool colour) {
  Window w;
  w.chars = chars;
  w.load = kLineSource - 16;
  for (std::uint32_t j = 0; j < 16; ++j) {
    w.load = std::min(w.load, SourceOf(chars / 2 + j / 2, colour));
  }
  for (std::uint32_t j = 0; j < 16; ++j) {
    w.pick[j] = static_cast<std::uint8_t>(SourceOf(chars / 2 + j / 2, colour) - w.load);
  }
  return w;
}

// 72 characters as 16-byte stores at 0, 16, 32, 48 and 56 (the last two overlap).
template <bool kColour>
constexpr std::array<Window, 5> kWindows16 = {MakeWindow(0, kColour), MakeWindow(16, kColour),
                                              MakeWindow(32, kColour), MakeWindow(48, kColour),
                                              MakeWindow(56, kColour)};

// 72 characters as 32-byte stores at 0, 32 and 40, each from two windows.
template <bool kColour>
constexpr std::array<Window, 6> kWindows32 = {MakeWindow(0, kColour),  MakeWindow(16, kColour),
                                              MakeWindow(32, kColour), MakeWindow(48, kColour),
                                              MakeWindow(40, kColour), MakeWindow(56, kColour)};

template <std::size_t kCount>
constexpr bool PicksStayInLine(const std::array<Window, kCount>& windows) {
  for (const Window& w : windows) {
    for (std::uint8_t pick : w.pick) {
      if (pick >= 16 || w.load + 16 > kLineSource) return false;
    }
  }
  return true;
}
static_assert(PicksStayInLine(kWindows16<true>) && PicksStayInLine(kWindows16<false>));
static_assert(PicksStayInLine(kWindows32<true>) && PicksStayInLine(kWindows32<false>));

__attribute__((target("ssse3"))) inline __m128i HexOfPicked16(__m128i picked, __m128i digits) {
  // Each 16-bit lane holds a byte twice: keep its high nibble in the first
  // byte and its low nibble in the second, then look the digits up.
  const __m128i high = _mm_and_si128(_mm_srli_epi16(picked, 4), _mm_set1_epi16(0x000F));
  const __m128i low = _mm_and_si128(picked, _mm_set1_epi16(0x0F00));
  return _mm_shuffle_epi8(digits, _mm_or_si128(high, low));
}

template <bool kColour>
__attribute__((target("ssse3"))) char* HexLinesSsse3(char* out, const std::uint8_t* source,
                                                     std::uint32_t lines) {
  constexpr const auto& w = kWindows16<kColour>;
  const __m128i digits =
      _mm_setr_epi8('0', '1', '2', '3', '4', '5', '6', '7', '8', '9', 'a', 'b', 'c', 'd', 'e', 'f');
  __m128i pick[5];
  for (std::size_t k = 0; k < 5; ++k) {
    pick[k] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(w[k].pick.data()));
  }
  for (; lines != 0; --lines, source += kLineSource, out += kLineBytes) {
    for (std::size_t k = 0; k < 5; ++k) {
      const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + w[k].load));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + w[k].chars),
                       HexOfPicked16(_mm_shuffle_epi8(bytes, pick[k]), digits));
    }
    out[kLineLength] = '\n';
  }
  return out;
}

__attribute__((target("avx2"))) inline __m256i Load2x16(const std::uint8_t* low,
                                                        const std::uint8_t* high) {
  const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(low));
  const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(high));
  return _mm256_inserti128_si256(_mm256_castsi128_si256(a), b, 1);
}

template <bool kColour>
__attribute__((target("avx2"))) char* HexLinesAvx2(char* out, const std::uint8_t* source,
                                                   std::uint32_t lines) {
  constexpr const auto& w = kWindows32<kColour>;
  const __m256i digits = _mm256_setr_epi8('0', '1', '2', '3', '4', '5', '6', '7', '8', '9', 'a',
                                          'b', 'c', 'd', 'e', 'f', '0', '1', '2', '3', '4', '5',
                                          '6', '7', '8', '9', 'a', 'b', 'c', 'd', 'e', 'f');
  const __m256i highMask = _mm256_set1_epi16(0x000F);
  const __m256i lowMask = _mm256_set1_epi16(0x0F00);
  __m256i pick[3];
  for (std::size_t k = 0; k < 3; ++k) {
    pick[k] = Load2x16(w[2 * k].pick.data(), w[2 * k + 1].pick.data());
  }
  for (; lines != 0; --lines, source += kLineSource, out += kLineBytes) {
    for (std::size_t k = 0; k < 3; ++k) {
      const __m256i bytes = Load2x16(source + w[2 * k].load, source + w[2 * k + 1].load);
      const __m256i picked = _mm256_shuffle_epi8(bytes, pick[k]);
      const __m256i nibbles =
          _mm256_or_si256(_mm256_and_si256(_mm256_srli_epi16(picked, 4), highMask),
                          _mm256_and_si256(picked, lowMask));
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + w[2 * k].chars),
                          _mm256_shuffle_epi8(digits, nibbles));
    }
    out[kLineLength] = '\n';
  }
  return out;
}
#endif  // EPS_EXPORT_X86_SIMD

template <bool kColour>
LinesFunction HexLinesAt(ScanLevel level) {
#if EPS_EXPORT_X86_SIMD
  switch (level) {
    case ScanLevel::kAvx2:
      return HexLinesAvx2<kColour>;
    case ScanLevel::kSsse3:
      return HexLinesSsse3<kColour>;
    case ScanLevel::kPlain:
      break;
  }
#else
  (void)level;
#endif
  return HexLinesPlain<kColour>;
}

// ---------------------------------------------------------------- palettes

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

// `n` (at most 8) one-bit indices from pixel x on, first pixel in the top bit.
// The byte after x's is read only when those pixels reach into it.
inline unsigned BitsAt(const std::uint8_t* row, std::uint32_t x, unsigned n) {
  const std::uint8_t* p = row + (x >> 3);
  const unsigned shift = x & 7;
  unsigned window = unsigned{p[0]} << 8;
  if (shift + n > 8) window |= p[1];
  return (window >> (16 - shift - n)) & ((1u << n) - 1);
}

// The text of every colour-table entry a depth can index, in 8-byte slots so
// that line code may copy a whole slot. Only used entries are read: the table
// may end right after the highest one.
template <unsigned kChars>
struct EntryText {
  std::array<std::array<char, 8>, 256> text{};

  EntryText(const std::uint8_t* colourTable, const UsedEntries& used) {
    for (unsigned i = 0; used.count != 0 && i <= used.highest; ++i) {
      if (!used.used[i]) continue;
      const std::uint8_t* entry = colourTable + i * kColourEntrySize;
      char* out = PutHexPair(text[i].data(), entry[2]);  // red, also the grey sample
      if constexpr (kChars == kColourChars) PutHexPair(PutHexPair(out, entry[1]), entry[0]);
    }
  }
  const char* operator[](unsigned i) const { return text[i].data(); }
};

// The text of `kPixels` consecutive samples for every value of the index bits
// that hold them, first pixel in the top bits.
template <unsigned kDepth, unsigned kPixels, unsigned kChars, unsigned kSlot>
struct GroupText {
  static constexpr unsigned kValues = 1u << (kDepth * kPixels);
  std::array<std::array<char, kSlot>, kValues> text{};

  explicit GroupText(const EntryText<kChars>& entries) {
    constexpr unsigned kMask = (1u << kDepth) - 1;
    for (unsigned v = 0; v < kValues; ++v) {
      for (unsigned k = 0; k < kPixels; ++k) {
        const unsigned index = (v >> (kDepth * (kPixels - 1 - k))) & kMask;
        std::memcpy(text[v].data() + k * kChars, entries[index], kChars);
      }
    }
  }
  const char* operator[](unsigned v) const { return text[v].data(); }
};

// Sample by sample: the runs at row ends, and lines that start mid-byte.
template <unsigned kDepth, unsigned kCharsPerSample>
struct PaletteRun {
  static constexpr unsigned kChars = kCharsPerSample;
  static constexpr std::uint32_t kPerLine = kLineLength / kChars;
  EntryText<kChars> entries;

  PaletteRun(const std::uint8_t* colourTable, const UsedEntries& used)
      : entries(colourTable, used) {}

  char* Run(char* out, const std::uint8_t* row, std::uint32_t x, std::uint32_t n) const {
    for (; n != 0; --n, ++x, out += kChars) {
      std::memcpy(out, entries[IndexAt<kDepth>(row, x)], kChars);
    }
    return out;
  }
};

// 8 bits: a table copy a sample; colour copies whole 8-byte slots, the next
// sample overwriting the 2 extra bytes (not after a line's last sample).
template <unsigned kChars>
struct Palette8Kernel : PaletteRun<8, kChars> {
  using PaletteRun<8, kChars>::PaletteRun;
  using PaletteRun<8, kChars>::kPerLine;

  char* Lines(char* out, const std::uint8_t* row, std::uint32_t x, std::uint32_t count) const {
    const EntryText<kChars>& text = this->entries;
    const std::uint8_t* p = row + x;
    for (; count != 0; --count, p += kPerLine, out += kLineBytes) {
      constexpr unsigned kCopy = kChars == kColourChars ? 8 : kChars;
      for (std::uint32_t k = 0; k + 1 < kPerLine; ++k) {
        std::memcpy(out + k * kChars, text[p[k]], kCopy);
      }
      std::memcpy(out + (kPerLine - 1) * kChars, text[p[kPerLine - 1]], kChars);
      out[kLineLength] = '\n';
    }
    return out;
  }
};

// 4 bits: a table copy per byte (two samples) while lines start on a byte.
template <unsigned kChars>
struct Palette4Kernel : PaletteRun<4, kChars> {
  static constexpr unsigned kSlot = kChars == kColourChars ? 16 : 4;
  using PaletteRun<4, kChars>::kPerLine;
  GroupText<4, 2, kChars, kSlot> pairs;

  Palette4Kernel(const std::uint8_t* colourTable, const UsedEntries& used)
      : PaletteRun<4, kChars>(colourTable, used), pairs(this->entries) {}

  char* Lines(char* out, const std::uint8_t* row, std::uint32_t x, std::uint32_t count) const {
    constexpr std::uint32_t kBytes = kPerLine / 2;
    for (; count != 0; --count, x += kPerLine) {
      if (x & 1) {
        out = this->Run(out, row, x, kPerLine);
      } else {
        const std::uint8_t* p = row + x / 2;
        for (std::uint32_t k = 0; k + 1 < kBytes; ++k) {
          std::memcpy(out + k * 2 * kChars, pairs[p[k]], kSlot);
        }
        std::memcpy(out + (kBytes - 1) * 2 * kChars, pairs[p[kBytes - 1]], 2 * kChars);
        out += kLineLength;
      }
      *out++ = '\n';
    }
    return out;
  }
};

// 1 bit: grey lines are four 8-sample copies and one 4-sample copy; colour
// lines are three 4-sample copies.
template <unsigned kChars>
struct Palette1Kernel : PaletteRun<1, kChars> {
  static constexpr bool kColour = kChars == kColourChars;
  static constexpr unsigned kGroup = kColour ? 4 : 8;
  using PaletteRun<1, kChars>::kPerLine;
  GroupText<1, kGroup, kChars, kGroup * kChars> groups;

  Palette1Kernel(const std::uint8_t* colourTable, const UsedEntries& used)
      : PaletteRun<1, kChars>(colourTable, used), groups(this->entries) {}

  char* Lines(char* out, const std::uint8_t* row, std::uint32_t x, std::uint32_t count) const {
    constexpr unsigned kGroupChars = kGroup * kChars;
    constexpr std::uint32_t kWhole = kPerLine / kGroup;
    constexpr std::uint32_t kRest = kPerLine % kGroup;  // 4 for grey, none for colour
    for (; count != 0; --count, out += kLineBytes) {
      for (std::uint32_t k = 0; k < kWhole; ++k, x += kGroup) {
        std::memcpy(out + k * kGroupChars, groups[BitsAt(row, x, kGroup)], kGroupChars);
      }
      if constexpr (kRest != 0) {
        std::memcpy(out + kWhole * kGroupChars, groups[BitsAt(row, x, kRest) << (kGroup - kRest)],
                    kRest * kChars);
        x += kRest;
      }
      out[kLineLength] = '\n';
    }
    return out;
  }
};

// True when every used entry's grey sample is its own index.
bool IsGreyRamp(const std::uint8_t* colourTable, const UsedEntries& used) {
  for (unsigned i = 0; used.count != 0 && i <= used.highest; ++i) {
    if (used.used[i] && colourTable[i * kColourEntrySize + 2] != i) return false;
  }
  return true;
}

template <unsigned kChars>
void ScanPaletteAs(ScanLevel level, const PixelRows& rows, unsigned depth,
                   const std::uint8_t* colourTable, const UsedEntries& used, TextBuffer& stream) {
  switch (depth) {
    case 1:
      return WalkRows(rows, Palette1Kernel<kChars>(colourTable, used), stream);
    case 4:
      return WalkRows(rows, Palette4Kernel<kChars>(colourTable, used), stream);
    default:
      if (kChars == kGreyChars && IsGreyRamp(colourTable, used)) {
        return WalkRows(rows, SourceHexKernel<false>{HexLinesAt<false>(level)}, stream);
      }
      return WalkRows(rows, Palette8Kernel<kChars>(colourTable, used), stream);
  }
}

// ------------------------------------------------------ used entries

void MarkUsed(UsedEntries& entries, unsigned index) { entries.used[index] = true; }

void FindUsedEntries1(const PixelRows& rows, UsedEntries& entries) {
  const std::uint32_t fullBytes = rows.width / 8;
  const unsigned tailBits = rows.width % 8;
  const auto tailMask = static_cast<std::uint8_t>(0xFF00u >> tailBits);
  bool zero = false, one = false;
  for (std::uint32_t i = 0; i < rows.height && !(zero && one); ++i) {
    const std::uint8_t* row = rows.Row(i);
    // Whole-row OR and AND: reductions the compiler runs many bytes wide.
    std::uint8_t anySet = 0, allSet = 0xFF;
    for (std::uint32_t b = 0; b < fullBytes; ++b) {
      anySet = static_cast<std::uint8_t>(anySet | row[b]);
      allSet = static_cast<std::uint8_t>(allSet & row[b]);
    }
    one |= anySet != 0;
    zero |= allSet != 0xFF;
    if (tailBits != 0) {
      const auto bits = static_cast<std::uint8_t>(row[fullBytes] & tailMask);
      one |= bits != 0;
      zero |= bits != tailMask;
    }
  }
  if (zero) MarkUsed(entries, 0);
  if (one) MarkUsed(entries, 1);
}

// The byte values met so far: a flag each, and the same as a 256-bit set that
// the shuffle levels test a whole block of bytes against at once.
struct ByteValues {
  bool* seen;  // 256 flags
  alignas(32) std::uint8_t bits[32] = {};

  void Mark(std::uint8_t v) {
    seen[v] = true;
    bits[v >> 3] = static_cast<std::uint8_t>(bits[v >> 3] | (1u << (v & 7)));
  }
  void MarkAll(const std::uint8_t* bytes, std::uint32_t n) {
    for (std::uint32_t i = 0; i < n; ++i) Mark(bytes[i]);
  }
};

// Eight bytes come in one load and are picked out of a register, which halves
// the memory operations of a byte-at-a-time loop.
void MarkBytesPlain(const std::uint8_t* bytes, std::uint32_t n, ByteValues& values) {
  std::uint32_t i = 0;
  for (; i + 8 <= n; i += 8) {
    std::uint64_t word;
    std::memcpy(&word, bytes + i, 8);
    for (unsigned k = 0; k < 8; ++k, word >>= 8) values.seen[word & 0xFF] = true;
  }
  for (; i < n; ++i) values.seen[bytes[i]] = true;
}

#if EPS_EXPORT_X86_SIMD
// True when every byte of `v` is in the set held by `low` (values 0..127) and
// `high` (128..255): bit v&7 of set byte v>>3, looked up 16 set bytes at a time.
__attribute__((target("ssse3"))) inline bool AllSeen16(__m128i v, __m128i low, __m128i high) {
  const __m128i setByte = _mm_and_si128(_mm_srli_epi16(v, 3), _mm_set1_epi8(0x1F));
  // Indices 16..31 get the top bit in the first lookup, 0..15 in the second:
  // a shuffle gives 0 for those.
  const __m128i got =
      _mm_or_si128(_mm_shuffle_epi8(low, _mm_adds_epu8(setByte, _mm_set1_epi8(0x70))),
                   _mm_shuffle_epi8(high, _mm_sub_epi8(setByte, _mm_set1_epi8(16))));
  const __m128i bit =
      _mm_shuffle_epi8(_mm_setr_epi8(1, 2, 4, 8, 16, 32, 64, -128, 1, 2, 4, 8, 16, 32, 64, -128),
                       _mm_and_si128(v, _mm_set1_epi8(7)));
  return _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_and_si128(got, bit), bit)) == 0xFFFF;
}

// Blocks whose values have all been met are skipped; a block with a new value
// is marked byte by byte, which can happen at most 256 times.
__attribute__((target("ssse3"))) void MarkBytesSsse3(const std::uint8_t* bytes, std::uint32_t n,
                                                     ByteValues& values) {
  std::uint32_t i = 0;
  __m128i low = _mm_load_si128(reinterpret_cast<const __m128i*>(values.bits));
  __m128i high = _mm_load_si128(reinterpret_cast<const __m128i*>(values.bits + 16));
  for (; i + 16 <= n; i += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
    if (AllSeen16(v, low, high)) continue;
    values.MarkAll(bytes + i, 16);
    low = _mm_load_si128(reinterpret_cast<const __m128i*>(values.bits));
    high = _mm_load_si128(reinterpret_cast<const __m128i*>(values.bits + 16));
  }
  values.MarkAll(bytes + i, n - i);
}

__attribute__((target("avx2"))) inline bool AllSeen32(__m256i v, __m256i low, __m256i high) {
  const __m256i setByte = _mm256_and_si256(_mm256_srli_epi16(v, 3), _mm256_set1_epi8(0x1F));
  const __m256i got =
      _mm256_or_si256(_mm256_shuffle_epi8(low, _mm256_adds_epu8(setByte, _mm256_set1_epi8(0x70))),
                      _mm256_shuffle_epi8(high, _mm256_sub_epi8(setByte, _mm256_set1_epi8(16))));
  const __m256i bit = _mm256_shuffle_epi8(
      _mm256_setr_epi8(1, 2, 4, 8, 16, 32, 64, -128, 1, 2, 4, 8, 16, 32, 64, -128, 1, 2, 4, 8, 16,
                       32, 64, -128, 1, 2, 4, 8, 16, 32, 64, -128),
      _mm256_and_si256(v, _mm256_set1_epi8(7)));
  return _mm256_movemask_epi8(_mm256_cmpeq_epi8(_mm256_and_si256(got, bit), bit)) == -1;
}

__attribute__((target("avx2"))) inline __m256i SetHalf(const std::uint8_t* half) {
  return _mm256_broadcastsi128_si256(_mm_load_si128(reinterpret_cast<const __m128i*>(half)));
}

__attribute__((target("avx2"))) void MarkBytesAvx2(const std::uint8_t* bytes, std::uint32_t n,
                                                   ByteValues& values) {
  std::uint32_t i = 0;
  __m256i low = SetHalf(values.bits), high = SetHalf(values.bits + 16);
  for (; i + 32 <= n; i += 32) {
    const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bytes + i));
    if (AllSeen32(v, low, high)) continue;
    values.MarkAll(bytes + i, 32);
    low = SetHalf(values.bits);
    high = SetHalf(values.bits + 16);
  }
  values.MarkAll(bytes + i, n - i);
}
#endif  // EPS_EXPORT_X86_SIMD

using MarkBytesFunction = void (*)(const std::uint8_t* bytes, std::uint32_t n, ByteValues& values);

MarkBytesFunction MarkBytesAt(ScanLevel level) {
#if EPS_EXPORT_X86_SIMD
  switch (level) {
    case ScanLevel::kAvx2:
      return MarkBytesAvx2;
    case ScanLevel::kSsse3:
      return MarkBytesSsse3;
    case ScanLevel::kPlain:
      break;
  }
#else
  (void)level;
#endif
  return MarkBytesPlain;
}

bool AllUsed(const UsedEntries& entries, unsigned count) {
  return std::memchr(entries.used, false, count) == nullptr;
}

// Byte values are gathered first and folded into entries every few rows, so
// that the pass can stop once all 16 entries have turned up.
void FindUsedEntries4(ScanLevel level, const PixelRows& rows, UsedEntries& entries) {
  constexpr std::uint32_t kRowsPerFold = 16;
  const MarkBytesFunction markBytes = MarkBytesAt(level);
  bool byteSeen[256] = {};
  ByteValues values{byteSeen};
  const std::uint32_t fullBytes = rows.width / 2;
  for (std::uint32_t i = 0; i < rows.height; ++i) {
    const std::uint8_t* row = rows.Row(i);
    markBytes(row, fullBytes, values);
    if (rows.width & 1) MarkUsed(entries, row[fullBytes] >> 4);
    if (i % kRowsPerFold != kRowsPerFold - 1 && i + 1 != rows.height) continue;
    for (unsigned v = 0; v < 256; ++v) {
      if (byteSeen[v]) {
        MarkUsed(entries, v >> 4);
        MarkUsed(entries, v & 15);
      }
    }
    if (AllUsed(entries, 16)) return;
  }
}

// Stops once all 256 entries have turned up.
void FindUsedEntries8(ScanLevel level, const PixelRows& rows, UsedEntries& entries) {
  const MarkBytesFunction markBytes = MarkBytesAt(level);
  ByteValues values{entries.used};
  for (std::uint32_t i = 0; i < rows.height; ++i) {
    markBytes(rows.Row(i), rows.width, values);
    if (AllUsed(entries, 256)) return;
  }
}

ScanLevel DetectScanLevel() {
#if EPS_EXPORT_X86_SIMD
  __builtin_cpu_init();
  if (__builtin_cpu_supports("avx2")) return ScanLevel::kAvx2;
  if (__builtin_cpu_supports("ssse3")) return ScanLevel::kSsse3;
#endif
  return ScanLevel::kPlain;
}

}  // namespace

ScanLevel BestScanLevel() {
  static const ScanLevel best = DetectScanLevel();
  return best;
}

bool ScanLevelRuns(ScanLevel level) { return level <= BestScanLevel(); }

UsedEntries FindUsedEntriesAt(ScanLevel level, const PixelRows& rows, unsigned depth) {
  UsedEntries entries;
  switch (depth) {
    case 1:
      FindUsedEntries1(rows, entries);
      break;
    case 4:
      FindUsedEntries4(level, rows, entries);
      break;
    default:
      FindUsedEntries8(level, rows, entries);
      break;
  }
  for (unsigned i = 0; i < 256; ++i) {
    if (entries.used[i]) {
      ++entries.count;
      entries.highest = i;
    }
  }
  return entries;
}

void ScanTrueColourAt(ScanLevel level, const PixelRows& rows, TextBuffer& stream) {
  WalkRows(rows, SourceHexKernel<true>{HexLinesAt<true>(level)}, stream);
}

void ScanPaletteAt(ScanLevel level, const PixelRows& rows, unsigned depth,
                   const std::uint8_t* colourTable, const UsedEntries& used, bool isColour,
                   TextBuffer& stream) {
  if (isColour) {
    ScanPaletteAs<kColourChars>(level, rows, depth, colourTable, used, stream);
  } else {
    ScanPaletteAs<kGreyChars>(level, rows, depth, colourTable, used, stream);
  }
}

}  // namespace eps_export
