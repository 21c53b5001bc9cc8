// What kolvane-unpack and kolvane-make read in a stub's PE image, on any bytes: the
// resource walk to the manifest, the level slot and the CheckSum field. Besides the
// sanitizers' own checks: whatever is found lies inside the input, a slot found holds a
// level, and writing each level into it keeps it found with that level.
#include "execution_level.h"
#include "pe_checksum.h"

#include <cstdlib>

static void require(bool condition) {
    if (!condition)
        abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    Bytes image(data, data + size);
    size_t field = checksum_field_offset(image);
    require(field == 0 || field + 4 <= size);
    FileRange manifest = find_resource(image, 24, 1);
    require(manifest.size == 0 || manifest.offset + manifest.size <= size);
    size_t slot = find_level_slot(image);
    if (slot) {
        require(slot + LEVEL_SLOT_SIZE <= size && !level_in_slot(image, slot).empty());
        for (std::string_view level : EXECUTION_LEVELS) {
            put_level(image, slot, level);
            require(find_level_slot(image) == slot && level_in_slot(image, slot) == level);
        }
    }
    PeChecksum checksum;
    checksum.add(data, size / 3);
    checksum.add(data + size / 3, size - size / 3);
    PeChecksum whole;
    whole.add(data, size);
    require(checksum.value() == whole.value());
    return 0;
}
