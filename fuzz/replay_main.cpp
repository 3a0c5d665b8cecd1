// Runs saved fuzzer inputs without libFuzzer, so the corpus and the crashers
// are ordinary tests in every build. Arguments are files, or folders whose
// files (at any depth) are all run. A failing input aborts inside the fuzzer
// after naming itself here.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

namespace fs = std::filesystem;

void RunFile(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  const std::vector<char> bytes{std::istreambuf_iterator<char>(file),
                                std::istreambuf_iterator<char>()};
  std::fprintf(stderr, "replay %s (%zu bytes)\n", path.c_str(), bytes.size());
  // A copy of exactly the file's size, so reads past the input are caught.
  const std::vector<std::uint8_t> input(bytes.begin(), bytes.end());
  LLVMFuzzerTestOneInput(input.data(), input.size());
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 0;
  for (int i = 1; i < argc; ++i) {
    const fs::path arg = argv[i];
    if (fs::is_directory(arg)) {
      std::vector<fs::path> files;
      for (const auto& entry : fs::recursive_directory_iterator(arg)) {
        if (entry.is_regular_file()) files.push_back(entry.path());
      }
      std::sort(files.begin(), files.end());  // the same order on every run
      for (const auto& f : files) {
        RunFile(f);
        ++runs;
      }
    } else if (fs::is_regular_file(arg)) {
      RunFile(arg);
      ++runs;
    } else {
      std::fprintf(stderr, "no such input: %s\n", argv[i]);
      return 2;
    }
  }
  std::printf("%d inputs replayed\n", runs);
  return runs == 0 ? 1 : 0;  // an empty corpus is a mistake, not a pass
}
