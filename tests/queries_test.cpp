// The host's questions to the plug-in.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "plugin/exports.h"

namespace {

struct InfoCase {
  std::int32_t index;
  std::int32_t bufferSize;
  const char* text;  // expected buffer contents; nullptr: left untouched
};

TEST(GetPluginInfo, CopiesCutsOrLeavesTheBuffer) {
  const InfoCase cases[] = {
      {0, 16, "K0RQ"},
      {1, 64, "EPS export library v0.1.1.0 by Vorn"},
      {1, 10, "EPS expor"},
      {1, 1, ""},
      {2, 16, "EPS"},
      {3, 16, ".eps"},
      {3, 4, ".ep"},
      {4, 16, nullptr},
      {-1, 16, nullptr},
      {0, 0, nullptr},
      {0, -5, nullptr},
  };
  for (const InfoCase& c : cases) {
    char buffer[64];
    std::memset(buffer, '#', sizeof buffer);
    const std::int32_t n = GetPluginInfo(c.index, buffer, c.bufferSize);
    if (c.text == nullptr) {
      EXPECT_EQ(n, 0) << c.index << "/" << c.bufferSize;
      EXPECT_EQ(buffer[0], '#');
    } else {
      EXPECT_EQ(std::string(buffer), c.text) << c.index << "/" << c.bufferSize;
      EXPECT_EQ(n, static_cast<std::int32_t>(std::strlen(c.text)));
      EXPECT_EQ(buffer[std::strlen(c.text) + 1], '#') << "wrote past the NUL";
    }
  }
}

TEST(GetPluginInfo, NullBufferWritesNothing) {
  EXPECT_EQ(GetPluginInfo(1, nullptr, 10), 0);
}

TEST(IsSupported, RefusesOnlySixteenAndThirtyTwo) {
  const std::pair<std::int32_t, std::int32_t> cases[] = {
      {1, 1}, {4, 1}, {8, 1}, {24, 1}, {16, 0}, {32, 0}, {2, 1}, {15, 1}, {0, 1}};
  for (const auto& [depth, answer] : cases) EXPECT_EQ(IsSupported(depth), answer) << depth;
}

TEST(ConfigurationDlg, HasNoSettings) {
  EXPECT_EQ(ConfigurationDlg(0, 0), eps_export::ResultNotAvailable);
  EXPECT_EQ(ConfigurationDlg(-1, 12345), -101);
}

}  // namespace
