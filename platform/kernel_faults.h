// Test seam of the POSIX kernel stand-in: counts every call the plug-in makes
// and can make any of them fail. Not built on Windows, where the real kernel runs.
#ifndef EPS_EXPORT_PLATFORM_KERNEL_FAULTS_H
#define EPS_EXPORT_PLATFORM_KERNEL_FAULTS_H

#include "platform/kernel.h"

namespace eps_platform {

// Call numbers count from 1 since the last ResetKernel(); 0 arms nothing.
struct KernelFaults {
  bool failCreateFile = false;  // CreateFileA returns INVALID_HANDLE_VALUE
  int failWrite = 0;            // that WriteFile call writes nothing and fails
  int shortWrite = 0;           // that WriteFile call writes half its bytes and fails
  int failLock = 0;             // that LocalLock call returns nullptr
};

struct KernelCounts {
  int createFile = 0;
  int writeFile = 0;
  int closeHandle = 0;
  int openFiles = 0;  // descriptors opened by CreateFileA and not yet closed
  int localLock = 0;
  int localUnlock = 0;
  int liveHandles = 0;  // LocalAlloc'd handles not yet freed
};

EPS_PLATFORM_API void ArmKernelFaults(const KernelFaults& faults);
// Clears the faults and the counts.
EPS_PLATFORM_API void ResetKernel();
EPS_PLATFORM_API KernelCounts GetKernelCounts();

}  // namespace eps_platform

#endif  // EPS_EXPORT_PLATFORM_KERNEL_FAULTS_H
