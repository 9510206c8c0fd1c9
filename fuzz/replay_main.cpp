// Runs a fuzz target over saved inputs (crashes found before, and seeds) as an ordinary test.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s DIRECTORY...\n", argv[0]);
    return 2;
  }
  int inputs = 0;
  for (int a = 1; a < argc; ++a) {
    std::error_code ec;
    if (!std::filesystem::is_directory(argv[a], ec)) continue;
    std::vector<std::filesystem::path> files;
    for (auto& e : std::filesystem::recursive_directory_iterator(argv[a], ec))
      if (e.is_regular_file()) files.push_back(e.path());
    std::sort(files.begin(), files.end());
    for (const auto& f : files) {
      std::ifstream in(f, std::ios::binary);
      std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                 std::istreambuf_iterator<char>());
      LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
      ++inputs;
    }
  }
  std::printf("%d inputs replayed without a crash\n", inputs);
  return 0;
}
