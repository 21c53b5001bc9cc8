// kolvane-pe-layout LINKED OUTPUT: writes OUTPUT, the linked stub in its final file layout.
// On refusal it says why on stderr, exits with 1 and leaves OUTPUT alone.
#include "layout.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

static std::vector<uint8_t> read_file(const char *path) {
    std::ifstream file(path, std::ios::binary);
    if (!file)
        throw std::runtime_error("cannot open it");
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), {});
}

static void write_file(const char *path, const std::vector<uint8_t> &bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char *>(bytes.data()), std::streamsize(bytes.size()));
    file.close();
    if (!file) {
        std::remove(path);
        throw std::runtime_error("cannot write it");
    }
}

int main(int argc, char **argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: kolvane-pe-layout LINKED.exe OUTPUT.exe\n");
        return 2;
    }
    const char *input = argv[1];
    std::vector<uint8_t> image;
    try {
        image = lay_out_image(read_file(input));
    } catch (const std::exception &refusal) {
        std::fprintf(stderr, "kolvane-pe-layout: %s: %s\n", input, refusal.what());
        return 1;
    }
    try {
        write_file(argv[2], image);
        std::filesystem::permissions(argv[2], std::filesystem::status(input).permissions());
    } catch (const std::exception &failure) {
        std::fprintf(stderr, "kolvane-pe-layout: %s: %s\n", argv[2], failure.what());
        return 1;
    }
    return 0;
}
