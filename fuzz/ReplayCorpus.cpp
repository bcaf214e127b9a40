// Feeds every file of a corpus folder to the fuzz target linked with it, so
// that CTest tries again every input once found, crashes included, with any
// compiler and without libFuzzer.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

namespace {

// The file in a heap buffer of exactly its size, as libFuzzer hands inputs
// over, so that AddressSanitizer sees a read past the end (an empty file
// still gets a valid pointer).
std::unique_ptr<uint8_t[]> readFile(const std::filesystem::path &file, size_t &size)
{
    std::ifstream in(file, std::ios::binary);
    const std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    size = bytes.size();
    auto buffer = std::make_unique<uint8_t[]>(std::max<size_t>(size, 1));
    std::copy(bytes.begin(), bytes.end(), buffer.get());
    return buffer;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s CORPUS_FOLDER\n", argv[0]);
        return 2;
    }
    std::vector<std::filesystem::path> files;
    for (const auto &entry : std::filesystem::directory_iterator(argv[1]))
        if (entry.is_regular_file())
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());

    for (const auto &file : files) {
        // Named first: a failing input aborts the run.
        std::fprintf(stderr, "Running %s\n", file.c_str());
        size_t size = 0;
        const auto buffer = readFile(file, size);
        LLVMFuzzerTestOneInput(buffer.get(), size);
    }
    std::printf("%zu inputs replayed from %s\n", files.size(), argv[1]);
    return files.empty() ? 1 : 0; // an empty corpus tries nothing: a broken path, not a pass
}
