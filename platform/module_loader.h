// Loading a plug-in module at run time, as a host does: the dynamic loader of
// the platform behind three calls. On Windows these are LoadLibraryA,
// GetProcAddress and GetModuleFileNameA; elsewhere dlopen, dlsym and the
// path of the running executable.
#ifndef EPS_EXPORT_PLATFORM_MODULE_LOADER_H
#define EPS_EXPORT_PLATFORM_MODULE_LOADER_H

#include <string>

namespace eps_platform {

// A loaded module; null when loading failed.
using PluginModule = void*;

// File name of the plug-in module on this platform ("libeps_export.so" or
// "eps_export.dll").
const char* PluginFileName();

// Loads the module at `path`. On failure returns null and puts the loader's
// reason in `error`.
PluginModule LoadPluginModule(const std::string& path, std::string& error);

// The address of the exported function `name`, or null when there is none.
// The caller casts it to the function's type.
void* FindExport(PluginModule module, const char* name);

void UnloadPluginModule(PluginModule module);

// Directory of the running executable, ending in a path separator; empty
// when it cannot be found.
std::string ExecutableDirectory();

}  // namespace eps_platform

#endif  // EPS_EXPORT_PLATFORM_MODULE_LOADER_H
