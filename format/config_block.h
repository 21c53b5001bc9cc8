// The configuration block: 705 bytes at file offset 512 of every self-extractor, written by
// the builder into its copy of the stub and read by the stub from its own file.
//
//   0   u32 archive offset (0 in a stub without an archive)
//   4   title       51    55  label      41    96  folder   256
//   352 message     81    433 command   260    (text fields: code page 932, NUL-terminated)
//   693 u32 flags   697 u32 total size, low half   701 u32 total size, high half
#pragma once

#include <stddef.h>
#include <stdint.h>

enum : uint32_t {
    SFX_RESTORE_ATTRIBUTES = 1,
    SFX_OVERWRITE_WITHOUT_ASKING = 2,
};

#pragma pack(push, 1)
struct SfxConfig {
    uint32_t archive_offset;
    char title[51];
    char label[41];
    char folder[256];
    char message[81];
    char command[260];
    uint32_t flags;
    uint32_t total_size_low;
    uint32_t total_size_high;
};
#pragma pack(pop)

constexpr uint32_t CONFIG_OFFSET = 512;
constexpr uint32_t CONFIG_SIZE = 705;
static_assert(sizeof(SfxConfig) == CONFIG_SIZE);
static_assert(offsetof(SfxConfig, title) == 4);
static_assert(offsetof(SfxConfig, label) == 55);
static_assert(offsetof(SfxConfig, folder) == 96);
static_assert(offsetof(SfxConfig, message) == 352);
static_assert(offsetof(SfxConfig, command) == 433);
static_assert(offsetof(SfxConfig, flags) == 693);
static_assert(offsetof(SfxConfig, total_size_low) == 697);
static_assert(offsetof(SfxConfig, total_size_high) == 701);
