// Module loading through dlopen; the executable's path from /proc/self/exe.
#include <dlfcn.h>
#include <unistd.h>

#include <vector>

#include "platform/module_loader.h"

namespace eps_platform {

const char* PluginFileName() { return "libeps_export.so"; }

PluginModule LoadPluginModule(const std::string& path, std::string& error) {
  // RTLD_LOCAL keeps the plug-in's symbols out of the host's namespace, as a
  // Windows module's are; the shared kernel stand-in is found by soname.
  // A bare name is a file here, not a library to search the system for.
  const std::string file = path.find('/') == std::string::npos ? "./" + path : path;
  void* module = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) {
    const char* reason = dlerror();
    error = reason != nullptr ? reason : "unknown loader error";
  }
  return module;
}

void* FindExport(PluginModule module, const char* name) { return dlsym(module, name); }

void UnloadPluginModule(PluginModule module) {
  if (module != nullptr) dlclose(module);
}

std::string ExecutableDirectory() {
  std::vector<char> buffer(256);
  for (;;) {
    const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n < 0) return {};
    if (static_cast<std::size_t>(n) < buffer.size()) {
      std::string path(buffer.data(), static_cast<std::size_t>(n));
      return path.substr(0, path.rfind('/') + 1);
    }
    buffer.resize(buffer.size() * 2);  // the path may have been cut; try a larger buffer
  }
}

}  // namespace eps_platform
