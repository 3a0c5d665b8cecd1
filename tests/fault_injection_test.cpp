// Exports whose kernel calls fail, injected through the POSIX stand-in or met
// for real (a full disk, a folder that cannot be written, a bad path). Every
// failure must give its result code and leave no lock, no open file and no
// handle behind; a failed write must not stop the writes after it.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "platform/kernel_faults.h"
#include "plugin/exports.h"
#include "tests/support/host.h"
#include "tests/support/test_bitmap.h"

namespace {

using eps_platform::GetKernelCounts;
using eps_platform::KernelCounts;
using eps_platform::KernelFaults;
using eps_test::LocalMemory;
using eps_test::TestBitmap;

// A picture whose three pieces (header, samples, trailer) are all non-empty.
TestBitmap Picture() {
  TestBitmap b = TestBitmap::Make(8, 23, 5, eps_test::GreyRamp(16));
  b.FillRandom(7, 16);
  return b;
}

// The three pieces of the complete file, split where the samples start and end.
struct Pieces {
  std::string header, samples, trailer;
};

Pieces Split(const std::string& file) {
  const std::size_t samplesStart = file.find("\nShowImg\n") + 9;  // not "/ShowImg"
  const std::size_t trailerStart = file.size() - 39;
  return {file.substr(0, samplesStart), file.substr(samplesStart, trailerStart - samplesStart),
          file.substr(trailerStart)};
}

enum class Damage { kNone, kLost, kHalf };

struct InjectedFault {
  const char* name;
  KernelFaults faults;
  std::int32_t result;
  int filesCreated;  // CreateFileA calls that returned a file
  int writes;        // WriteFile calls made
  int damagedWrite;  // 1..3: the write that failed, 0: none
  Damage damage;
};

void PrintTo(const InjectedFault& c, std::ostream* out) { *out << c.name; }

constexpr std::int32_t kFileError = eps_export::ResultFileError;
constexpr std::int32_t kBadBitmap = eps_export::ResultBadBitmap;

const InjectedFault kInjected[] = {
    {"CreateFileFails", KernelFaults{.failCreateFile = true}, kFileError, 0, 0, 0, Damage::kNone},
    {"FirstWriteFails", KernelFaults{.failWrite = 1}, kFileError, 1, 3, 1, Damage::kLost},
    {"SecondWriteFails", KernelFaults{.failWrite = 2}, kFileError, 1, 3, 2, Damage::kLost},
    {"ThirdWriteFails", KernelFaults{.failWrite = 3}, kFileError, 1, 3, 3, Damage::kLost},
    {"FirstWriteShort", KernelFaults{.shortWrite = 1}, kFileError, 1, 3, 1, Damage::kHalf},
    {"SecondWriteShort", KernelFaults{.shortWrite = 2}, kFileError, 1, 3, 2, Damage::kHalf},
    {"ThirdWriteShort", KernelFaults{.shortWrite = 3}, kFileError, 1, 3, 3, Damage::kHalf},
    {"DescriptionWillNotLock", KernelFaults{.failLock = 1}, kBadBitmap, 0, 0, 0, Damage::kNone},
    {"RowsWillNotLock", KernelFaults{.failLock = 2}, kBadBitmap, 0, 0, 0, Damage::kNone},
};

class InjectedFaults : public eps_test::ScratchFolder,
                       public ::testing::WithParamInterface<InjectedFault> {
 protected:
  void SetUp() override {
    ScratchFolder::SetUp();
    eps_platform::ResetKernel();
  }
  void TearDown() override {
    eps_platform::ResetKernel();  // disarms the faults for the tests after this one
    ScratchFolder::TearDown();
  }
};

TEST_P(InjectedFaults, ResultLocksWritesAndFile) {
  const InjectedFault& c = GetParam();
  const TestBitmap b = Picture();
  const std::string path = PathOf("out.eps");
  ASSERT_EQ(eps_test::ExportByHandles(path, b).result, eps_export::ResultOk);
  const Pieces whole = Split(ReadFile(path));
  std::filesystem::remove(path);

  const int liveBefore = GetKernelCounts().liveHandles;
  {
    LocalMemory description(b.description), rows(b.rows);
    eps_platform::ResetKernel();  // the fills above took locks of their own
    eps_platform::ArmKernelFaults(c.faults);
    const std::int32_t result = CreatePicture(path.c_str(), eps_export::SourceByHandles,
                                              description.Slot(), rows.Slot(), 0, 0, 0);
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(description.LockCount(), 0u);
    EXPECT_EQ(rows.LockCount(), 0u);
  }
  const KernelCounts counts = GetKernelCounts();
  EXPECT_EQ(counts.localUnlock, counts.localLock - (c.faults.failLock != 0 ? 1 : 0))
      << "every lock that was taken is undone";
  EXPECT_EQ(counts.writeFile, c.writes);
  EXPECT_EQ(counts.closeHandle, c.filesCreated);
  EXPECT_EQ(counts.openFiles, 0);
  EXPECT_EQ(counts.liveHandles, liveBefore);

  if (c.filesCreated == 0) {
    EXPECT_FALSE(Exists("out.eps"));
    return;
  }
  // The file keeps what the writes carried: all but the damaged piece, and
  // the first half of that one when the write was short.
  std::string pieces[3] = {whole.header, whole.samples, whole.trailer};
  std::string& damaged = pieces[c.damagedWrite - 1];
  damaged = c.damage == Damage::kHalf ? damaged.substr(0, damaged.size() / 2) : "";
  EXPECT_EQ(ReadFile(path), pieces[0] + pieces[1] + pieces[2]);
}

INSTANTIATE_TEST_SUITE_P(Kernel, InjectedFaults, ::testing::ValuesIn(kInjected),
                         [](const auto& p) { return std::string(p.param.name); });

// Faults the system itself produces. The target is computed from the scratch folder.
struct RealFault {
  const char* name;
  std::string (*target)(const std::string& folder);
  int filesCreated;
  int writes;
};

void PrintTo(const RealFault& c, std::ostream* out) { *out << c.name; }

const RealFault kReal[] = {
    {"FullDisk", [](const std::string&) { return std::string("/dev/full"); }, 1, 3},
    {"MissingFolder", [](const std::string& folder) { return folder + "/missing/out.eps"; }, 0,
     0},
    {"PathIsAFolder", [](const std::string& folder) { return folder; }, 0, 0},
};

class RealFaults : public eps_test::ScratchFolder,
                   public ::testing::WithParamInterface<RealFault> {
 protected:
  void SetUp() override {
    ScratchFolder::SetUp();
    eps_platform::ResetKernel();
  }
};

TEST_P(RealFaults, FileErrorWithNothingLeftOpenOrLocked) {
  const RealFault& c = GetParam();
  const std::filesystem::path folder = std::filesystem::path(PathOf("out.eps")).parent_path();
  const std::string target = c.target(folder.string());
  const int liveBefore = GetKernelCounts().liveHandles;
  const auto outcome = eps_test::ExportByHandles(target, Picture());
  EXPECT_EQ(outcome.result, eps_export::ResultFileError);
  EXPECT_EQ(outcome.descriptionLocks + outcome.rowLocks, 0u);
  const KernelCounts counts = GetKernelCounts();
  EXPECT_EQ(counts.writeFile, c.writes);
  EXPECT_EQ(counts.closeHandle, c.filesCreated);
  EXPECT_EQ(counts.openFiles, 0);
  EXPECT_EQ(counts.liveHandles, liveBefore);
  EXPECT_TRUE(std::filesystem::is_empty(folder)) << "nothing is created beside the target";
}

INSTANTIATE_TEST_SUITE_P(System, RealFaults, ::testing::ValuesIn(kReal),
                         [](const auto& p) { return std::string(p.param.name); });

// A folder without write permission. The superuser ignores permission bits,
// so then the export runs in a child that has given up its privileges.
class ReadOnlyFolder : public eps_test::ScratchFolder {};

// The export as the current user: the result, or 255 when a lock was left.
int ExportIntoReadOnly(const std::string& path) {
  const auto outcome = eps_test::ExportByHandles(path, Picture());
  if (outcome.descriptionLocks + outcome.rowLocks != 0) return 255;
  if (GetKernelCounts().openFiles != 0) return 254;
  return outcome.result;
}

TEST_F(ReadOnlyFolder, IsAFileErrorAndCreatesNothing) {
  const std::string folder = PathOf("locked");
  ASSERT_EQ(mkdir(folder.c_str(), 0555), 0);
  const std::string path = folder + "/out.eps";
  int result = 0;
  if (geteuid() != 0) {
    result = ExportIntoReadOnly(path);
  } else {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      constexpr uid_t kNobody = 65534;
      if (setgid(kNobody) != 0 || setuid(kNobody) != 0) _exit(253);
      _exit(ExportIntoReadOnly(path));  // _exit: the child's state is the parent's
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    result = WEXITSTATUS(status);
    if (result == 253) GTEST_SKIP() << "running as root and cannot drop to an unprivileged user";
  }
  EXPECT_EQ(result, eps_export::ResultFileError) << "255: a lock was left, 254: a file left open";
  EXPECT_FALSE(std::filesystem::exists(path));
  chmod(folder.c_str(), 0755);  // lets the scratch folder be removed when not root
}

}  // namespace
