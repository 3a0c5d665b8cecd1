// Module loading through LoadLibraryA and GetProcAddress.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstring>
#include <vector>

#include "platform/module_loader.h"

namespace eps_platform {
namespace {

std::string SystemMessage(DWORD code) {
  char* text = nullptr;
  const DWORD n = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string message = n != 0 && text != nullptr ? std::string(text, n) : std::string();
  if (text != nullptr) LocalFree(text);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                              message.back() == ' ' || message.back() == '.')) {
    message.pop_back();
  }
  return message.empty() ? "error " + std::to_string(code) : message;
}

}  // namespace

const char* PluginFileName() { return "eps_export.dll"; }

PluginModule LoadPluginModule(const std::string& path, std::string& error) {
  HMODULE module = LoadLibraryA(path.c_str());
  if (module == nullptr) error = SystemMessage(GetLastError());
  return static_cast<PluginModule>(module);
}

void* FindExport(PluginModule module, const char* name) {
  FARPROC address = GetProcAddress(static_cast<HMODULE>(module), name);
  // FARPROC is a function pointer of another type; hand it on as an address.
  void* result = nullptr;
  static_assert(sizeof result == sizeof address);
  std::memcpy(&result, &address, sizeof result);
  return result;
}

void UnloadPluginModule(PluginModule module) {
  if (module != nullptr) FreeLibrary(static_cast<HMODULE>(module));
}

std::string ExecutableDirectory() {
  std::vector<char> buffer(MAX_PATH);
  for (;;) {
    const DWORD n = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return {};
    if (n < buffer.size()) {
      std::string path(buffer.data(), n);
      return path.substr(0, path.find_last_of("\\/") + 1);
    }
    buffer.resize(buffer.size() * 2);  // the path was cut; try a larger buffer
  }
}

}  // namespace eps_platform
