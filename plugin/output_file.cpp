#include "plugin/output_file.h"

namespace eps_export {

OutputFile::OutputFile(const char* fileName)
    : handle_(fileName == nullptr ? INVALID_HANDLE_VALUE
                                  : CreateFileA(fileName, GENERIC_WRITE, 0, nullptr,
                                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)) {}

OutputFile::~OutputFile() {
  if (Opened()) CloseHandle(handle_);
}

bool OutputFile::Write(const TextBuffer& text) {
  // Callers keep every buffer below 4 GiB, so the count fits a DWORD.
  DWORD written = 0;
  return WriteFile(handle_, text.Data(), static_cast<DWORD>(text.Size()), &written, nullptr) != 0;
}

}  // namespace eps_export
