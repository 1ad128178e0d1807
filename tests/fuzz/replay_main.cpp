// Replays fuzz inputs through a fuzz target without libFuzzer: every file
// given, and every file of every folder given, is passed to the target once.
// Used by the test suite to keep the corpora and the found crashes green.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

void replayFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

}  // namespace

int main(int argc, char* argv[]) {
  long count = 0;
  for (int i = 1; i < argc; ++i) {
    const std::filesystem::path arg(argv[i]);
    if (std::filesystem::is_directory(arg)) {
      for (const auto& entry : std::filesystem::recursive_directory_iterator(arg))
        if (entry.is_regular_file()) {
          replayFile(entry.path());
          ++count;
        }
    } else if (std::filesystem::exists(arg)) {
      replayFile(arg);
      ++count;
    } else {
      std::fprintf(stderr, "replay: no such input '%s'\n", argv[i]);
      return 2;
    }
  }
  std::fprintf(stderr, "replay: %ld input(s) passed\n", count);
  return count > 0 ? 0 : 2;
}
