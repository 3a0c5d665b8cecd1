// The plug-in as a Windows host meets it: eps_export.dll loaded at run time,
// its four functions found by name and by ordinal and called as __stdcall,
// with the bitmap in moveable local memory or at plain addresses.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "platform/kernel.h"
#include "plugin/exports.h"
#include "tests/support/expected_document.h"
#include "tests/support/host.h"
#include "tests/support/test_bitmap.h"

// Calls `function` with `count` 4-byte arguments pushed right to left, stores
// its result, and returns how many bytes of the arguments were still on the
// stack when it came back: 0 when the callee removed exactly its own
// (__stdcall), 4 * count when it left them to the caller. The stack pointer is
// restored either way, so a wrong convention shows as a number, not a crash.
extern "C" std::int32_t StackLeftByCall(const void* function, const std::uint32_t* args,
                                        std::uint32_t count, std::int32_t* result);
asm(R"(
    .text
    .globl _StackLeftByCall
_StackLeftByCall:
    pushl %ebp
    movl %esp, %ebp
    pushl %esi
    pushl %edi
    movl 12(%ebp), %esi
    movl 16(%ebp), %ecx
    movl %esp, %edi
1:  testl %ecx, %ecx
    jz 2f
    decl %ecx
    pushl (%esi,%ecx,4)
    jmp 1b
2:  call *8(%ebp)
    movl 20(%ebp), %ecx
    movl %eax, (%ecx)
    movl %edi, %eax
    subl %esp, %eax
    movl %edi, %esp
    popl %edi
    popl %esi
    popl %ebp
    ret
)");

namespace {

std::string ModuleBesideExecutable() {
  char path[MAX_PATH];
  const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  if (n == 0 || n == MAX_PATH) return {};
  std::string folder(path, n);
  return folder.substr(0, folder.find_last_of("\\/") + 1) + "eps_export.dll";
}

// FARPROC is a function pointer of its own type; convert through its bits.
template <typename Fn>
Fn As(FARPROC address) {
  Fn f;
  static_assert(sizeof f == sizeof address);
  std::memcpy(&f, &address, sizeof f);
  return f;
}

const void* Address(FARPROC f) { return As<const void*>(f); }

std::uint32_t Arg(const void* p) {
  return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(p));
}
std::uint32_t Arg(std::int32_t v) { return static_cast<std::uint32_t>(v); }

struct Export {
  const char* name;
  WORD ordinal;
};
constexpr Export kExports[] = {
    {"GetPluginInfo", 1}, {"IsSupported", 2}, {"CreatePicture", 3}, {"ConfigurationDlg", 4}};

class PluginModule : public eps_test::ScratchFolder {
 protected:
  void SetUp() override {
    ScratchFolder::SetUp();
    const std::string path = ModuleBesideExecutable();
    module_ = LoadLibraryA(path.c_str());
    ASSERT_NE(module_, nullptr) << "cannot load " << path << ": error " << GetLastError();
    getPluginInfo_ = As<GetPluginInfoFn>(ByName("GetPluginInfo"));
    isSupported_ = As<IsSupportedFn>(ByName("IsSupported"));
    createPicture_ = As<CreatePictureFn>(ByName("CreatePicture"));
    configurationDlg_ = As<ConfigurationDlgFn>(ByName("ConfigurationDlg"));
    ASSERT_TRUE(getPluginInfo_ && isSupported_ && createPicture_ && configurationDlg_);
  }
  void TearDown() override {
    if (module_ != nullptr) FreeLibrary(module_);
    ScratchFolder::TearDown();
  }

  FARPROC ByName(const char* name) const { return GetProcAddress(module_, name); }
  FARPROC ByOrdinal(WORD ordinal) const {
    return GetProcAddress(module_, MAKEINTRESOURCEA(ordinal));
  }

  // Mode 0: the host's handles, unlocked again by the plug-in before it returns.
  eps_test::ExportOutcome ByHandles(const std::string& path, const eps_test::TestBitmap& bitmap,
                                    std::int32_t mode = eps_export::SourceByHandles) {
    eps_test::LocalMemory description(bitmap.description), rows(bitmap.rows);
    const std::int32_t r =
        createPicture_(path.c_str(), mode, description.Slot(), rows.Slot(), 0, 0, 0);
    return {r, description.LockCount(), rows.LockCount()};
  }
  std::int32_t ByPointers(const std::string& path, const eps_test::TestBitmap& bitmap) {
    return createPicture_(path.c_str(), eps_export::SourceByPointers,
                          const_cast<std::uint8_t*>(bitmap.description.data()),
                          const_cast<std::uint8_t*>(bitmap.rows.data()), 0, 0, 0);
  }

  HMODULE module_ = nullptr;
  GetPluginInfoFn getPluginInfo_ = nullptr;
  IsSupportedFn isSupported_ = nullptr;
  CreatePictureFn createPicture_ = nullptr;
  ConfigurationDlgFn configurationDlg_ = nullptr;
};

TEST_F(PluginModule, ExportsTheFourFunctionsByNameAndOrdinal) {
  for (const Export& e : kExports) {
    EXPECT_NE(ByName(e.name), nullptr) << e.name;
    EXPECT_EQ(Address(ByName(e.name)), Address(ByOrdinal(e.ordinal))) << e.name;
  }
  EXPECT_EQ(ByOrdinal(5), nullptr);
  for (const char* hidden : {"DllMain", "DllMain@12", "_DllMain@12", "GetPluginInfo@12",
                             "_CreatePicture@28"}) {
    EXPECT_EQ(ByName(hidden), nullptr) << hidden;
  }
}

TEST_F(PluginModule, EveryExportRemovesItsOwnArguments) {
  char buffer[16] = {};
  const std::uint32_t info[] = {Arg(3), Arg(buffer), Arg(16)};
  const std::uint32_t depth[] = {Arg(16)};
  const std::uint32_t picture[] = {Arg("unused.eps"), Arg(2), 0, 0, 0, 0, 0};
  const std::uint32_t dialog[] = {Arg(7), Arg(8)};
  struct Case {
    const char* name;
    const std::uint32_t* args;
    std::uint32_t count;
    std::int32_t result;
  } const cases[] = {
      {"GetPluginInfo", info, 3, 4},
      {"IsSupported", depth, 1, 0},
      {"CreatePicture", picture, 7, eps_export::ResultNotAvailable},
      {"ConfigurationDlg", dialog, 2, eps_export::ResultNotAvailable},
  };
  for (const Case& c : cases) {
    std::int32_t result = 0;
    EXPECT_EQ(StackLeftByCall(Address(ByName(c.name)), c.args, c.count, &result), 0) << c.name;
    EXPECT_EQ(result, c.result) << c.name;
  }
  EXPECT_STREQ(buffer, ".eps");
}

TEST_F(PluginModule, AnswersTheQueries) {
  char buffer[16];
  std::memset(buffer, '#', sizeof buffer);
  EXPECT_EQ(getPluginInfo_(1, buffer, 10), 9);
  EXPECT_STREQ(buffer, "EPS expor");
  EXPECT_EQ(getPluginInfo_(0, buffer, 16), 4);
  EXPECT_STREQ(buffer, "K0RQ");
  EXPECT_EQ(getPluginInfo_(4, buffer, 16), 0);
  EXPECT_EQ(getPluginInfo_(-1, buffer, 16), 0);
  EXPECT_STREQ(buffer, "K0RQ") << "a bad index wrote the buffer";

  for (const auto& [depth, answer] : {std::pair{1, 1}, {4, 1}, {8, 1}, {24, 1}, {16, 0}, {32, 0}}) {
    EXPECT_EQ(isSupported_(depth), answer) << depth;
  }
  EXPECT_EQ(configurationDlg_(0, 0), eps_export::ResultNotAvailable);
}

struct Written {
  const char* name;
  eps_test::TestBitmap bitmap;
  std::string document;
  std::size_t size;
};

std::vector<Written> WrittenCases() {
  auto trueColour = eps_test::TestBitmap::Make(24, 1, 1);
  trueColour.rows = {0x01, 0x02, 0x03, 0x00};  // blue, green, red, padding

  auto blackAndWhite = eps_test::TestBitmap::Make(1, 1, 1, {{0, 0, 0}, {255, 255, 255}});
  blackAndWhite.SetIndex(0, 0, 1);

  return {
      {"24-bit pixel", trueColour,
       eps_test::ExpectedHeader(true, 1, 1) + "030201" + eps_test::kExpectedTrailer, 537},
      {"1-bit white pixel", blackAndWhite,
       eps_test::ExpectedHeader(false, 1, 1) + "ff" + eps_test::kExpectedTrailer, 491},
  };
}

// Each export replaces a longer file already in its place.
TEST_F(PluginModule, WritesTheDocumentFromHandlesAndFromPointers) {
  for (const Written& c : WrittenCases()) {
    for (const std::int32_t mode : {eps_export::SourceByHandles, eps_export::SourceByPointers}) {
      SCOPED_TRACE(std::string(c.name) + ", mode " + std::to_string(mode));
      const std::string path = PathOf("picture.eps");
      std::ofstream(path, std::ios::binary) << std::string(2000, 'x');

      if (mode == eps_export::SourceByHandles) {
        const eps_test::ExportOutcome out = ByHandles(path, c.bitmap);
        EXPECT_EQ(out.result, eps_export::ResultOk);
        EXPECT_EQ(out.descriptionLocks, 0u);
        EXPECT_EQ(out.rowLocks, 0u);
      } else {
        EXPECT_EQ(ByPointers(path, c.bitmap), eps_export::ResultOk);
      }
      const std::string written = ReadFile(path);
      EXPECT_EQ(written.size(), c.size);
      EXPECT_EQ(written, c.document);
    }
  }
}

TEST_F(PluginModule, FailuresLeaveNoFileAndNoLock) {
  auto highColour = eps_test::TestBitmap::Make(16, 1, 1);
  auto deepColour = eps_test::TestBitmap::Make(32, 1, 1);
  auto fine = eps_test::TestBitmap::Make(24, 1, 1);
  struct Case {
    const char* name;
    const eps_test::TestBitmap& bitmap;
    std::int32_t mode;
    std::string path;
    std::int32_t result;
  } const cases[] = {
      {"16-bit", highColour, eps_export::SourceByHandles, PathOf("a.eps"),
       eps_export::ResultUnsupportedDepth},
      {"32-bit", deepColour, eps_export::SourceByHandles, PathOf("b.eps"),
       eps_export::ResultUnsupportedDepth},
      {"mode 2", fine, 2, PathOf("c.eps"), eps_export::ResultNotAvailable},
      {"missing folder", fine, eps_export::SourceByHandles, PathOf("none\\d.eps"),
       eps_export::ResultFileError},
  };
  for (const Case& c : cases) {
    const eps_test::ExportOutcome out = ByHandles(c.path, c.bitmap, c.mode);
    EXPECT_EQ(out.result, c.result) << c.name;
    EXPECT_EQ(out.descriptionLocks, 0u) << c.name;
    EXPECT_EQ(out.rowLocks, 0u) << c.name;
    EXPECT_FALSE(std::filesystem::exists(c.path)) << c.name;
  }
}

}  // namespace
