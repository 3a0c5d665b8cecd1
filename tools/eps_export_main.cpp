// eps-export: converts .bmp files to EPS through the plug-in module, loading
// it and handing it the bitmap exactly as a host application does.
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/kernel.h"
#include "platform/module_loader.h"
#include "plugin/exports.h"
#include "plugin/result_codes.h"
#include "tools/bmp_reader.h"

namespace {

constexpr int kExitFailed = 1;  // at least one file was not exported
constexpr int kExitUsage = 2;   // bad command line, or no usable plug-in

const char kUsage[] =
    "Usage: eps-export [OPTIONS] INPUT.bmp OUTPUT.eps\n"
    "       eps-export [OPTIONS] -o DIR INPUT.bmp...\n"
    "       eps-export [--plugin PATH] --info\n"
    "\n"
    "Converts Windows bitmaps (.bmp: 1, 4, 8 or 24 bits per pixel, uncompressed)\n"
    "to Encapsulated PostScript through the eps_export plug-in, one point per pixel.\n"
    "\n"
    "Options:\n"
    "  -o, --output-dir DIR  write each INPUT as DIR/<name of INPUT>.eps\n"
    "  --plugin PATH         the plug-in module to load (default: the one beside\n"
    "                        this program)\n"
    "  --pointers            hand the bitmap over as plain addresses (mode 1)\n"
    "                        instead of local-memory handles (mode 0)\n"
    "  --info                print the plug-in's information strings and exit\n"
    "  -h, --help            print this help and exit\n"
    "  --version             print the version and exit\n"
    "\n"
    "Exit status: 0 when every file was exported, 1 when any was not, 2 for a\n"
    "command-line error or a plug-in that cannot be loaded.\n";

struct Options {
  std::string pluginPath;
  std::string outputDir;
  bool byPointers = false;
  bool info = false;
  bool help = false;
  bool version = false;
  std::vector<std::string> files;
};

int UsageError(const std::string& message) {
  std::fprintf(stderr, "eps-export: %s\nTry 'eps-export --help'.\n", message.c_str());
  return kExitUsage;
}

// Returns -1 when the options are fine, else the exit status.
int ParseOptions(int argc, char** argv, Options& options) {
  bool optionsEnded = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&](std::string& out) {
      if (i + 1 >= argc) return false;
      out = argv[++i];
      return true;
    };
    if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
      options.files.push_back(arg);
    } else if (arg == "--") {
      optionsEnded = true;
    } else if (arg == "-h" || arg == "--help") {
      options.help = true;
    } else if (arg == "--version") {
      options.version = true;
    } else if (arg == "--info") {
      options.info = true;
    } else if (arg == "--pointers") {
      options.byPointers = true;
    } else if (arg == "--plugin") {
      if (!value(options.pluginPath)) return UsageError("--plugin needs a path");
    } else if (arg == "-o" || arg == "--output-dir") {
      if (!value(options.outputDir)) return UsageError(arg + " needs a directory");
    } else {
      return UsageError("unknown option " + arg);
    }
  }
  return -1;
}

// The plug-in module and the two exports the tool calls.
class Plugin {
 public:
  ~Plugin() { eps_platform::UnloadPluginModule(module_); }

  bool Load(const std::string& path, std::string& error) {
    module_ = eps_platform::LoadPluginModule(path, error);
    if (module_ == nullptr) return false;
    getPluginInfo_ =
        reinterpret_cast<GetPluginInfoFn>(eps_platform::FindExport(module_, "GetPluginInfo"));
    createPicture_ =
        reinterpret_cast<CreatePictureFn>(eps_platform::FindExport(module_, "CreatePicture"));
    if (getPluginInfo_ == nullptr || createPicture_ == nullptr) {
      error = "it does not export GetPluginInfo and CreatePicture";
      return false;
    }
    return true;
  }

  std::string Info(std::int32_t index) const {
    char buffer[256] = {};
    const std::int32_t n = getPluginInfo_(index, buffer, static_cast<std::int32_t>(sizeof buffer));
    return std::string(buffer, static_cast<std::size_t>(std::clamp(n, 0, 255)));
  }

  std::int32_t CreatePicture(const std::string& fileName, std::int32_t mode, void* description,
                             void* bits) const {
    return createPicture_(fileName.c_str(), mode, description, bits, 0, 0, 0);
  }

 private:
  eps_platform::PluginModule module_ = nullptr;
  GetPluginInfoFn getPluginInfo_ = nullptr;
  CreatePictureFn createPicture_ = nullptr;
};

// A moveable local-memory block, freed when it goes. A zero-byte block would
// not lock, so an empty picture still gets one byte.
class LocalBlock {
 public:
  explicit LocalBlock(std::size_t bytes)
      : handle_(LocalAlloc(LMEM_MOVEABLE, std::max<std::size_t>(bytes, 1))) {}
  ~LocalBlock() {
    if (handle_ != nullptr) LocalFree(handle_);
  }
  LocalBlock(const LocalBlock&) = delete;
  LocalBlock& operator=(const LocalBlock&) = delete;
  HLOCAL& Handle() { return handle_; }

 private:
  HLOCAL handle_;
};

// Locks a block for as long as it lives.
class Lock {
 public:
  explicit Lock(HLOCAL handle)
      : handle_(handle), address_(static_cast<std::uint8_t*>(LocalLock(handle))) {}
  ~Lock() {
    if (address_ != nullptr) LocalUnlock(handle_);
  }
  Lock(const Lock&) = delete;
  Lock& operator=(const Lock&) = delete;
  std::uint8_t* Address() const { return address_; }

 private:
  HLOCAL handle_;
  std::uint8_t* address_;
};

void ReportFailure(const std::string& input, const std::string& cause) {
  std::fprintf(stderr, "%s: %s\n", input.c_str(), cause.c_str());
}

std::string ResultText(std::int32_t result, const eps_tools::BmpLayout& layout,
                       const std::string& output) {
  // Appended piece by piece: GCC 12 warns falsely (-Wrestrict) on literal + string.
  std::string text = eps_export::ResultMessage(result);
  if (result == eps_export::ResultUnsupportedDepth)
    text.append(" ").append(std::to_string(layout.depth));
  if (result == eps_export::ResultFileError) text.append(": ").append(output);
  return text.append(" (result ").append(std::to_string(result)).append(")");
}

bool ExportFile(const Plugin& plugin, const std::string& input, const std::string& output,
                bool byPointers) {
  eps_tools::FileSource source(input);
  if (!source.Opened()) {
    ReportFailure(input, std::string("cannot open the file: ") + std::strerror(errno));
    return false;
  }
  eps_tools::BmpLayout layout;
  if (eps_tools::BmpStatus s = eps_tools::ParseBmpLayout(source, layout); !s.Ok()) {
    ReportFailure(input, s.error);
    return false;
  }
  LocalBlock description(layout.DescriptionSize());
  LocalBlock rows(layout.RowBytes());
  if (description.Handle() == nullptr || rows.Handle() == nullptr) {
    ReportFailure(input, "not enough memory for the bitmap");
    return false;
  }
  std::int32_t result = 0;
  {
    Lock descriptionLock(description.Handle());
    Lock rowsLock(rows.Handle());
    if (descriptionLock.Address() == nullptr || rowsLock.Address() == nullptr) {
      ReportFailure(input, "the bitmap memory cannot be locked");
      return false;
    }
    // The rows go from the file straight into the memory the plug-in reads.
    eps_tools::BmpStatus s =
        eps_tools::ReadBmpData(source, layout, descriptionLock.Address(), rowsLock.Address());
    if (!s.Ok()) {
      ReportFailure(input, s.error);
      return false;
    }
    if (byPointers) {
      result = plugin.CreatePicture(output, eps_export::SourceByPointers, descriptionLock.Address(),
                                    rowsLock.Address());
    }
  }
  if (!byPointers) {
    // A host hands over unlocked handles, by the address of its variables.
    result = plugin.CreatePicture(output, eps_export::SourceByHandles, &description.Handle(),
                                  &rows.Handle());
  }
  if (result != eps_export::ResultOk) {
    ReportFailure(input, ResultText(result, layout, output));
    return false;
  }
  return true;
}

std::string OutputFor(const std::string& input, const std::string& dir) {
  const std::filesystem::path name = std::filesystem::path(input).stem();
  return (std::filesystem::path(dir) / name).string() + ".eps";
}

int PrintInfo(const Plugin& plugin) {
  const char* labels[] = {"code", "description", "format", "extension"};
  for (std::int32_t i = 0; i < 4; ++i) {
    std::printf("%s: %s\n", labels[i], plugin.Info(i).c_str());
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (int status = ParseOptions(argc, argv, options); status >= 0) return status;
  if (options.help) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (options.version) {
    std::printf("eps-export %s\n", EPS_EXPORT_VERSION);
    return 0;
  }
  if (!options.info) {
    if (options.outputDir.empty() && options.files.size() != 2) {
      return UsageError("give INPUT.bmp OUTPUT.eps, or -o DIR and one or more inputs");
    }
    if (!options.outputDir.empty() && options.files.empty()) return UsageError("no input files");
    std::error_code ec;
    if (!options.outputDir.empty() && !std::filesystem::is_directory(options.outputDir, ec)) {
      return UsageError(options.outputDir + " is not a directory");
    }
  }

  const std::string pluginPath = options.pluginPath.empty() ? eps_platform::ExecutableDirectory() +
                                                                  eps_platform::PluginFileName()
                                                            : options.pluginPath;
  Plugin plugin;
  std::string error;
  if (!plugin.Load(pluginPath, error)) {
    std::fprintf(stderr, "eps-export: cannot load the plug-in %s: %s\n", pluginPath.c_str(),
                 error.c_str());
    return kExitUsage;
  }
  if (options.info) return PrintInfo(plugin);

  if (options.outputDir.empty()) {
    return ExportFile(plugin, options.files[0], options.files[1], options.byPointers) ? 0
                                                                                      : kExitFailed;
  }
  bool allExported = true;
  for (const std::string& input : options.files) {
    allExported =
        ExportFile(plugin, input, OutputFor(input, options.outputDir), options.byPointers) &&
        allExported;
  }
  return allExported ? 0 : kExitFailed;
}
