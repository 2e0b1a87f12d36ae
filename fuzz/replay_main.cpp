// SPDX-License-Identifier: GPL-3.0-or-later

// Runs a fuzz target over saved inputs, for compilers without libFuzzer:
//   fuzz_numtext_replay DIRECTORY|FILE...
// Every regular file of a directory (in name order) and every file named on
// the command line is passed once to LLVMFuzzerTestOneInput. A broken
// invariant aborts the target; an argument that yields no input at all is an
// error too, so a missing corpus cannot pass unnoticed.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

bool replay(const std::filesystem::path& file)
{
    std::ifstream stream(file, std::ios::binary);
    if (!stream) {
        std::fprintf(stderr, "cannot read %s\n", file.c_str());
        return false;
    }
    const std::vector<char> bytes { std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>() };
    std::fprintf(stderr, "%s (%zu bytes)\n", file.c_str(), bytes.size());
    // Hand over a buffer of exactly the input's size, as libFuzzer does, so
    // that reads past the end show up under AddressSanitizer.
    std::vector<uint8_t> input(bytes.begin(), bytes.end());
    LLVMFuzzerTestOneInput(input.empty() ? nullptr : input.data(), input.size());
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s DIRECTORY|FILE...\n", argv[0]);
        return 2;
    }
    int replayed = 0;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path argument(argv[i]);
        std::error_code error;
        if (std::filesystem::is_directory(argument, error)) {
            std::vector<std::filesystem::path> files;
            for (const auto& entry : std::filesystem::directory_iterator(argument, error)) {
                if (entry.is_regular_file())
                    files.push_back(entry.path());
            }
            std::sort(files.begin(), files.end());
            if (files.empty()) {
                std::fprintf(stderr, "no inputs in %s\n", argv[i]);
                return 1;
            }
            for (const auto& file : files) {
                if (!replay(file))
                    return 1;
                ++replayed;
            }
        } else if (replay(argument)) {
            ++replayed;
        } else {
            return 1;
        }
    }
    std::fprintf(stderr, "replayed %d inputs\n", replayed);
    return 0;
}
