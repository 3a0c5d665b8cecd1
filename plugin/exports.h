// eps_export: the export plug-in's four functions, as a host calls them.
//
// CreatePicture(fileName, mode, description, bits, reserved1..3) writes one
// bitmap as an Encapsulated PostScript file: a greyscale or RGB image, 8 bits
// per component in lowercase hex, one point per pixel, LF line ends.
//   fileName     NUL-terminated path in the ANSI code page; an existing file is
//                replaced.
//   mode 0       (SourceByHandles) description and bits each point at an HLOCAL;
//                the plug-in locks both for the call and unlocks them before it
//                returns, on every path. The handles' sizes bound what is read.
//   mode 1       (SourceByPointers) description and bits are the addresses
//                themselves. They are trusted: the rows and the colour table must
//                be as long as the header says.
//   description  a 40-byte bitmap information header (biWidth, biHeight and
//                biBitCount are read) followed at offset 40 by the colour table
//                of 4-byte blue, green, red, reserved entries (depths 1, 4, 8).
//   bits         the stored rows, each padded to a multiple of 4 bytes, bottom
//                row first; a negative biHeight means top-down rows.
//   reserved1..3 not read.
// The host owns all memory it hands over; the plug-in only reads it and keeps
// nothing after the call. The file is created only once all its text is built,
// so every failure but ResultFileError leaves no file behind. Result codes:
// plugin/result_codes.h. Limits: each piece of text must fit in one buffer of
// the process and one write (below 2 GiB in the 32-bit DLL, 4 GiB elsewhere);
// a larger picture gives ResultOutOfMemory.
//
// GetPluginInfo(index, buffer, bufferSize): copies information string 0..3
// (code, description, format name, extension) into buffer, cut to
// bufferSize - 1 characters plus NUL; returns the characters copied. A bad
// index, a null buffer or a bufferSize below 1 writes nothing and returns 0.
// IsSupported(depth): 0 for 16 and 32, else 1.
// ConfigurationDlg(arg1, arg2): there are no settings; returns ResultNotAvailable.
#ifndef EPS_EXPORT_PLUGIN_EXPORTS_H
#define EPS_EXPORT_PLUGIN_EXPORTS_H

#include <cstdint>

#include "platform/kernel.h"
#include "plugin/result_codes.h"

namespace eps_export {
enum SourceMode : std::int32_t { SourceByHandles = 0, SourceByPointers = 1 };
}  // namespace eps_export

extern "C" {
EPS_EXPORT_API std::int32_t WINAPI GetPluginInfo(std::int32_t index, char* buffer,
                                                 std::int32_t bufferSize);
EPS_EXPORT_API std::int32_t WINAPI IsSupported(std::int32_t depth);
EPS_EXPORT_API std::int32_t WINAPI CreatePicture(const char* fileName, std::int32_t mode,
                                                 void* description, void* bits,
                                                 std::int32_t reserved1, std::int32_t reserved2,
                                                 std::int32_t reserved3);
EPS_EXPORT_API std::int32_t WINAPI ConfigurationDlg(std::int32_t arg1, std::int32_t arg2);
}

// The host-side types of the four functions, for GetProcAddress / dlsym.
using GetPluginInfoFn = std::int32_t(WINAPI*)(std::int32_t, char*, std::int32_t);
using IsSupportedFn = std::int32_t(WINAPI*)(std::int32_t);
using CreatePictureFn = std::int32_t(WINAPI*)(const char*, std::int32_t, void*, void*,
                                              std::int32_t, std::int32_t, std::int32_t);
using ConfigurationDlgFn = std::int32_t(WINAPI*)(std::int32_t, std::int32_t);

#endif  // EPS_EXPORT_PLUGIN_EXPORTS_H
