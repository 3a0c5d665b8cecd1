// The result codes that cross the plug-in boundary, and their meaning in words.
#ifndef EPS_EXPORT_PLUGIN_RESULT_CODES_H
#define EPS_EXPORT_PLUGIN_RESULT_CODES_H

#include <cstdint>

namespace eps_export {

enum Result : std::int32_t {
  ResultOk = 0,                  // the file was created and all three writes succeeded
  ResultNotAvailable = -101,     // source mode other than 0 and 1, or a configuration dialog
  ResultUnsupportedDepth = 102,  // bits per pixel other than 1, 4, 8, 24; no file touched
  ResultFileError = 109,         // the file could not be created, or a write failed
  ResultBadBitmap = 110,         // the bitmap cannot be read as described; no file touched
  ResultOutOfMemory = 111,       // the text does not fit in memory; no file touched
};

// One line for messages; never null.
constexpr const char* ResultMessage(std::int32_t code) {
  switch (code) {
    case ResultOk: return "exported";
    case ResultNotAvailable: return "not available";
    case ResultUnsupportedDepth: return "unsupported bit depth";
    case ResultFileError: return "the file could not be created or written";
    case ResultBadBitmap: return "the bitmap is malformed or its memory is too short";
    case ResultOutOfMemory: return "the picture is too large to export in memory";
    default: return "unknown result";
  }
}

}  // namespace eps_export

#endif  // EPS_EXPORT_PLUGIN_RESULT_CODES_H
