#include "execution_level.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr uint16_t RT_MANIFEST = 24;
constexpr uint16_t PROCESS_MANIFEST_ID = 1;
constexpr std::string_view ELEMENT = "<requestedExecutionLevel ";
constexpr std::string_view ATTRIBUTE = "level=\"";

// The level that the slot's bytes spell, or "" when they are not `level="LEVEL"` followed
// only by spaces.
std::string_view slot_level(const uint8_t *slot) {
    std::string_view text((const char *)slot, LEVEL_SLOT_SIZE);
    if (!text.starts_with(ATTRIBUTE))
        return {};
    for (std::string_view level : EXECUTION_LEVELS) {
        std::string_view rest = text.substr(ATTRIBUTE.size());
        if (rest.starts_with(level) && rest[level.size()] == '"' &&
            rest.find_first_not_of(' ', level.size() + 1) == std::string_view::npos)
            return level;
    }
    return {};
}

} // namespace

size_t find_level_slot(const Bytes &image) {
    FileRange manifest = find_resource(image, RT_MANIFEST, PROCESS_MANIFEST_ID);
    std::string_view text((const char *)image.data() + manifest.offset, manifest.size);
    size_t element = text.find(ELEMENT);
    if (element == std::string_view::npos ||
        text.find(ELEMENT, element + 1) != std::string_view::npos)
        return 0;
    size_t slot = element + ELEMENT.size();
    if (text.size() - slot < LEVEL_SLOT_SIZE ||
        slot_level(image.data() + manifest.offset + slot).empty())
        return 0;
    return manifest.offset + slot;
}

std::string level_in_slot(const Bytes &image, size_t slot) {
    return std::string(slot_level(image.data() + slot));
}

void put_level(Bytes &image, size_t slot, std::string_view level) {
    uint8_t *at = image.data() + slot;
    std::fill_n(at, LEVEL_SLOT_SIZE, ' ');
    memcpy(at, ATTRIBUTE.data(), ATTRIBUTE.size());
    memcpy(at + ATTRIBUTE.size(), level.data(), level.size());
    at[ATTRIBUTE.size() + level.size()] = '"';
}
