// The built stub's file, byte by byte against the layout table and the linker's image.
#include "stub_layout.h"

#include <gtest/gtest.h>

TEST(StubImage, HasTheLayoutOfTheTableAndTheLinkedImagesContent) {
    const Bytes image = read_file(KOLVANE_STUB);
    const Bytes linked = read_file(KOLVANE_LINKED_STUB);
    ASSERT_FALSE(image.empty()) << KOLVANE_STUB << " is missing; build it with `make win`";
    ASSERT_FALSE(linked.empty()) << KOLVANE_LINKED_STUB << " is missing; build it with `make win`";
    expect_stub_layout(linked, image);
    // The builder appends the archive right behind the image, at a file-aligned offset.
    EXPECT_EQ(image.size() % 512, 0u);
}
