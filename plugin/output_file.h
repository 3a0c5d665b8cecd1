// The EPS file as CreatePicture writes it: created only when all text is
// ready, then three writes, closed on every path.
#ifndef EPS_EXPORT_PLUGIN_OUTPUT_FILE_H
#define EPS_EXPORT_PLUGIN_OUTPUT_FILE_H

#include "encode/text_buffer.h"
#include "platform/kernel.h"

namespace eps_export {

class OutputFile {
 public:
  // Creates or truncates the file, unshared.
  explicit OutputFile(const char* fileName);
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  ~OutputFile();

  bool Opened() const { return handle_ != INVALID_HANDLE_VALUE; }
  // Writes the whole buffer; false when the write reports failure.
  bool Write(const TextBuffer& text);

 private:
  HANDLE handle_;
};

}  // namespace eps_export

#endif  // EPS_EXPORT_PLUGIN_OUTPUT_FILE_H
