#include "config_block.h"
#include "cp932.h"
#include "make_error.h"
#include "platform.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

namespace {

template <size_t width>
void put_text(char (&field)[width], const std::string &utf8, const char *option) {
    std::string text;
    if (!cp932::from_utf8(utf8, text))
        throw MakeError(std::string(option) + ": the text cannot be written in code page 932");
    if (text.size() > width - 1)
        throw MakeError(std::string(option) + ": the text is " + std::to_string(text.size()) +
                        " bytes in code page 932; the field holds at most " +
                        std::to_string(width - 1));
    memcpy(field, text.data(), text.size());
}

} // namespace

std::vector<uint8_t> load_stub(const std::string &path) {
    std::ifstream in(platform::native_path(path), std::ios::binary);
    if (!in)
        throw MakeError("stub \"" + path + "\": cannot be read: " + strerror(errno) +
                        " (build it, or give one with --stub)");
    std::vector<uint8_t> image((std::istreambuf_iterator<char>(in)), {});
    auto refuse = [&](const char *why) {
        throw MakeError("stub \"" + path + "\": not a Kolvane 95 stub: " + why);
    };
    if (in.bad())
        refuse("it cannot be read to the end");
    if (image.size() < CONFIG_OFFSET + CONFIG_SIZE)
        refuse("it is too short");
    if (image[0] != 'M' || image[1] != 'Z')
        refuse("no \"MZ\" at its start");
    if (memcmp(&image[MARKER_OFFSET], STUB_MARKER, strlen(STUB_MARKER)) != 0)
        refuse("no \"Kolvane95 \" marker at offset 0x24");
    auto block = image.begin() + CONFIG_OFFSET;
    if (std::any_of(block, block + CONFIG_SIZE, [](uint8_t byte) { return byte != 0; }))
        refuse("its configuration area is not empty (a self-extractor already?)");
    if (image.size() > UINT32_MAX - 511)
        refuse("it is too large");
    return image;
}

SfxConfig make_config(const Options &options) {
    SfxConfig config = {};
    put_text(config.title, options.title, "--title");
    put_text(config.label, options.label, "--label");
    put_text(config.folder, options.folder, "--folder");
    put_text(config.message, options.message, "--message");
    put_text(config.command, options.command, "--command");
    config.flags = (options.restore_attributes ? uint32_t(SFX_RESTORE_ATTRIBUTES) : 0) |
                   (options.overwrite_without_asking ? uint32_t(SFX_OVERWRITE_WITHOUT_ASKING) : 0);
    return config;
}
