// The kernel calls an export makes, counted by the POSIX stand-in, and the
// module's export table.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <string>

#include "platform/kernel_faults.h"
#include "plugin/exports.h"
#include "tests/support/host.h"
#include "tests/support/test_bitmap.h"

namespace {

using eps_platform::GetKernelCounts;
using eps_platform::ResetKernel;
using eps_test::TestBitmap;

class KernelCalls : public eps_test::ScratchFolder {
 protected:
  void SetUp() override {
    ScratchFolder::SetUp();
    ResetKernel();
  }
};

TEST_F(KernelCalls, ExportCreatesWritesThreeTimesAndCloses) {
  const TestBitmap b = TestBitmap::Make(24, 3, 2);
  ASSERT_EQ(eps_test::ExportByHandles(PathOf("x.eps"), b).result, eps_export::ResultOk);
  const auto counts = GetKernelCounts();
  EXPECT_EQ(counts.createFile, 1);
  EXPECT_EQ(counts.writeFile, 3);
  EXPECT_EQ(counts.closeHandle, 1);
  EXPECT_EQ(counts.openFiles, 0);
  EXPECT_EQ(counts.localLock, 2 + 2);  // the fixture's two fills, then the export's two
  EXPECT_EQ(counts.localUnlock, 2 + 2);
}

TEST_F(KernelCalls, FullDiskFailsEveryWriteButAllThreeAreMade) {
  const TestBitmap b = TestBitmap::Make(8, 40, 40, eps_test::GreyRamp(2));
  const auto outcome = eps_test::ExportByHandles("/dev/full", b);
  EXPECT_EQ(outcome.result, eps_export::ResultFileError);
  EXPECT_EQ(outcome.descriptionLocks + outcome.rowLocks, 0u);
  const auto counts = GetKernelCounts();
  EXPECT_EQ(counts.writeFile, 3);
  EXPECT_EQ(counts.closeHandle, 1);
  EXPECT_EQ(counts.openFiles, 0);
}

TEST_F(KernelCalls, RefusedExportNeverCreatesAFile) {
  const TestBitmap b = TestBitmap::Make(16, 3, 2);
  EXPECT_EQ(eps_test::ExportByHandles(PathOf("x.eps"), b).result,
            eps_export::ResultUnsupportedDepth);
  EXPECT_EQ(GetKernelCounts().createFile, 0);
  EXPECT_EQ(GetKernelCounts().writeFile, 0);
}

TEST(PluginModule, ExportsTheFourFunctionsByName) {
  void* module = dlopen(EPS_EXPORT_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(module, nullptr) << dlerror();
  for (const char* name : {"GetPluginInfo", "IsSupported", "CreatePicture", "ConfigurationDlg"}) {
    EXPECT_NE(dlsym(module, name), nullptr) << name;
  }
  EXPECT_EQ(dlsym(module, "DllMain"), nullptr);
  auto info = reinterpret_cast<GetPluginInfoFn>(dlsym(module, "GetPluginInfo"));
  char buffer[8];
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(info(3, buffer, sizeof buffer), 4);
  EXPECT_EQ(std::string(buffer), ".eps");
  dlclose(module);
}

}  // namespace
