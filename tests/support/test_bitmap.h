// Bitmaps as a host holds them: a 40-byte information header with its colour
// table, and the stored rows, padded to four bytes.
#ifndef EPS_EXPORT_TESTS_SUPPORT_TEST_BITMAP_H
#define EPS_EXPORT_TESTS_SUPPORT_TEST_BITMAP_H

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "encode/sample_streams.h"

namespace eps_test {

struct Rgb {
  std::uint8_t red, green, blue;
};

inline std::vector<Rgb> GreyRamp(unsigned entries) {
  std::vector<Rgb> table;
  for (unsigned i = 0; i < entries; ++i) {
    auto v = static_cast<std::uint8_t>(entries == 1 ? 0 : i * 255 / (entries - 1));
    table.push_back({v, v, v});
  }
  return table;
}

// Distinct colours, none neutral.
inline std::vector<Rgb> ColourTable(unsigned entries) {
  std::vector<Rgb> table;
  for (unsigned i = 0; i < entries; ++i) {
    table.push_back({static_cast<std::uint8_t>(i * 7 + 1), static_cast<std::uint8_t>(255 - i),
                     static_cast<std::uint8_t>(i * 3)});
  }
  return table;
}

struct TestBitmap {
  std::int32_t width = 0;
  std::int32_t height = 0;  // negative: rows stored top-down
  std::uint16_t depth = 0;
  std::vector<std::uint8_t> description;
  std::vector<std::uint8_t> rows;

  static TestBitmap Make(std::uint16_t depth, std::int32_t width, std::int32_t height,
                         const std::vector<Rgb>& table = {}) {
    TestBitmap b;
    b.width = width;
    b.height = height;
    b.depth = depth;
    b.description.assign(40 + 4 * table.size(), 0);
    Put32(b.description, 0, 40);
    Put32(b.description, 4, static_cast<std::uint32_t>(width));
    Put32(b.description, 8, static_cast<std::uint32_t>(height));
    b.description[12] = 1;  // planes
    b.description[14] = static_cast<std::uint8_t>(depth);
    b.description[15] = static_cast<std::uint8_t>(depth >> 8);
    for (std::size_t i = 0; i < table.size(); ++i) {
      b.description[40 + 4 * i] = table[i].blue;
      b.description[41 + 4 * i] = table[i].green;
      b.description[42 + 4 * i] = table[i].red;
    }
    if (width > 0) b.rows.assign(b.Stride() * b.StoredRows(), 0);
    return b;
  }

  std::size_t Stride() const {
    return (static_cast<std::size_t>(width) * depth + 31) / 32 * 4;
  }
  std::size_t StoredRows() const {
    return height < 0 ? static_cast<std::size_t>(-static_cast<std::int64_t>(height))
                      : static_cast<std::size_t>(height);
  }
  // Row `y` of the picture counted from the bottom, wherever it is stored.
  std::uint8_t* PictureRow(std::size_t y) {
    std::size_t stored = height < 0 ? StoredRows() - 1 - y : y;
    return rows.data() + stored * Stride();
  }

  void SetIndex(std::size_t x, std::size_t y, unsigned index) {
    std::uint8_t* row = PictureRow(y);
    if (depth == 1) {
      auto bit = static_cast<std::uint8_t>(0x80u >> (x % 8));
      row[x / 8] = static_cast<std::uint8_t>(index ? row[x / 8] | bit : row[x / 8] & ~bit);
    } else if (depth == 4) {
      std::uint8_t& b = row[x / 2];
      b = static_cast<std::uint8_t>(x % 2 == 0 ? (b & 0x0F) | (index << 4) : (b & 0xF0) | index);
    } else {
      row[x] = static_cast<std::uint8_t>(index);
    }
  }

  // Random pixels that index only the first `entries` table entries (24-bit:
  // random colours); the padding stays zero.
  void FillRandom(std::uint32_t seed, unsigned entries) {
    std::mt19937 random(seed);
    for (std::size_t y = 0; y < StoredRows(); ++y) {
      for (std::size_t x = 0; x < static_cast<std::size_t>(width); ++x) {
        if (depth == 24) {
          for (std::size_t c = 0; c < 3; ++c) {
            PictureRow(y)[3 * x + c] = static_cast<std::uint8_t>(random());
          }
        } else {
          SetIndex(x, y, static_cast<unsigned>(random() % entries));
        }
      }
    }
  }

  // The same picture with its rows stored the other way round.
  TestBitmap Flipped() const {
    TestBitmap f = *this;
    f.height = -height;
    Put32(f.description, 8, static_cast<std::uint32_t>(f.height));
    const std::size_t n = StoredRows(), stride = Stride();
    // Width 0 has no row memory at all: memcpy must not be handed its null data().
    for (std::size_t y = 0; stride != 0 && y < n; ++y) {
      std::memcpy(f.rows.data() + y * stride, rows.data() + (n - 1 - y) * stride, stride);
    }
    return f;
  }

  eps_export::PixelRows Rows() const {
    return {rows.data(), Stride(), static_cast<std::uint32_t>(width),
            static_cast<std::uint32_t>(StoredRows()), height < 0};
  }

  static void Put32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t v) {
    for (std::size_t i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
  }
};

}  // namespace eps_test

#endif  // EPS_EXPORT_TESTS_SUPPORT_TEST_BITMAP_H
