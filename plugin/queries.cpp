// The host's questions: what the plug-in is, which depths it takes, settings.
#include <cstdint>
#include <string_view>

#include "eps/document.h"
#include "plugin/exports.h"

namespace eps_export {
namespace {

// Code, description, format name, extension. The description is also the
// document's creator.
constexpr const char* kPluginInfo[] = {"K0RQ", kCreator.data(), "EPS", ".eps"};
static_assert(kCreator.data()[kCreator.size()] == '\0', "lstrcpynA needs the NUL");

}  // namespace
}  // namespace eps_export

extern "C" std::int32_t WINAPI GetPluginInfo(std::int32_t index, char* buffer,
                                             std::int32_t bufferSize) {
  if (index < 0 || index > 3 || buffer == nullptr || bufferSize <= 0) return 0;
  lstrcpynA(buffer, eps_export::kPluginInfo[index], bufferSize);
  return lstrlenA(buffer);
}

extern "C" std::int32_t WINAPI IsSupported(std::int32_t depth) {
  return depth == 16 || depth == 32 ? 0 : 1;
}

extern "C" std::int32_t WINAPI ConfigurationDlg(std::int32_t /*arg1*/, std::int32_t /*arg2*/) {
  return eps_export::ResultNotAvailable;
}
