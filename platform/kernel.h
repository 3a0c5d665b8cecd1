// The few kernel services the plug-in uses, under their Win32 names.
//
// On Windows this is <windows.h> itself. Elsewhere it declares a small stand-in
// (built as the shared library eps_platform, the counterpart of KERNEL32.dll)
// with the behaviour the plug-in relies on:
//   - CreateFileA / WriteFile / CloseHandle map to open / write / close.
//     WriteFile writes straight to the descriptor, unbuffered, and returns FALSE
//     unless every byte was written, so a full disk shows at the write.
//   - LocalAlloc / LocalLock / LocalUnlock / LocalSize / LocalFlags / LocalFree
//     manage local-memory handles. Every handle keeps a lock count, readable
//     through LocalFlags(h) & LMEM_LOCKCOUNT as on Windows. A handle that was not
//     made by LocalAlloc (or was freed) is refused: LocalLock returns nullptr,
//     LocalSize returns 0. As on Windows, a zero-byte block does not lock.
//   - lstrcpynA / lstrlenA as on Windows.
// This is the only header in the project that looks at the target platform.
#ifndef EPS_EXPORT_PLATFORM_KERNEL_H
#define EPS_EXPORT_PLATFORM_KERNEL_H

#ifdef _WIN32

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

// Exports are named by the module definition file.
#define EPS_EXPORT_API

#else  // POSIX stand-in

#include <cstddef>
#include <cstdint>

#define WINAPI
#define EPS_EXPORT_API __attribute__((visibility("default")))
#define EPS_PLATFORM_API __attribute__((visibility("default")))

using BOOL = int;
using DWORD = std::uint32_t;
using UINT = unsigned int;
using SIZE_T = std::size_t;
using HANDLE = void*;
using HLOCAL = void*;
using HINSTANCE = void*;
using LPVOID = void*;
using LPCVOID = const void*;
using LPSTR = char*;
using LPCSTR = const char*;
using LPDWORD = DWORD*;
struct SECURITY_ATTRIBUTES;
struct OVERLAPPED;

#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif

#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1)))
constexpr DWORD GENERIC_WRITE = 0x40000000u;
constexpr DWORD CREATE_ALWAYS = 2;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;
constexpr UINT LMEM_FIXED = 0x0000;
constexpr UINT LMEM_MOVEABLE = 0x0002;
constexpr UINT LMEM_ZEROINIT = 0x0040;
constexpr UINT LMEM_LOCKCOUNT = 0x00FF;
constexpr UINT LMEM_INVALID_HANDLE = 0x8000;
constexpr DWORD DLL_PROCESS_DETACH = 0;
constexpr DWORD DLL_PROCESS_ATTACH = 1;
constexpr DWORD DLL_THREAD_ATTACH = 2;
constexpr DWORD DLL_THREAD_DETACH = 3;

extern "C" {
EPS_PLATFORM_API HANDLE CreateFileA(LPCSTR fileName, DWORD access, DWORD shareMode,
                                    SECURITY_ATTRIBUTES* security, DWORD disposition,
                                    DWORD flags, HANDLE templateFile);
EPS_PLATFORM_API BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD count, LPDWORD written,
                                OVERLAPPED* overlapped);
EPS_PLATFORM_API BOOL CloseHandle(HANDLE object);

EPS_PLATFORM_API HLOCAL LocalAlloc(UINT flags, SIZE_T bytes);
EPS_PLATFORM_API HLOCAL LocalFree(HLOCAL memory);
EPS_PLATFORM_API LPVOID LocalLock(HLOCAL memory);
EPS_PLATFORM_API BOOL LocalUnlock(HLOCAL memory);
EPS_PLATFORM_API SIZE_T LocalSize(HLOCAL memory);
EPS_PLATFORM_API UINT LocalFlags(HLOCAL memory);

EPS_PLATFORM_API LPSTR lstrcpynA(LPSTR destination, LPCSTR source, int maxLength);
EPS_PLATFORM_API int lstrlenA(LPCSTR text);
}

#endif  // _WIN32
#endif  // EPS_EXPORT_PLATFORM_KERNEL_H
