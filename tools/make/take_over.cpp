#include "take_over.h"
#include "input_file.h"
#include "make_error.h"
#include "packed_methods.h"
#include "platform.h"
#include "program_decode.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include "crc16.h"
#include "legacy_decode.h"

namespace {

[[noreturn]] void refuse(const Member &member, const std::string &archive,
                         const std::string &failure) {
    throw MakeError(archive + ": \"" + member.shown + "\" (" + member.packed_method +
                    "): " + failure + "; nothing was written");
}

// A member of a method the self-extractor does not know, expanded by this program's own
// decoders into the file; "" or what went wrong.
std::string expand_older(const Member &member, const std::string &archive,
                         platform::ScratchFile &file) {
    std::vector<uint8_t> packed(member.compressed_size);
    Input input(archive, archive);
    input.seek(member.data_offset);
    for (size_t at = 0; at < packed.size();) {
        size_t got = input.read(packed.data() + at, packed.size() - at);
        if (got == 0)
            return "the archive ends inside its data";
        at += got;
    }
    uint16_t crc = 0;
    std::string failure = legacy::expand(member.packed_method, packed, member.size,
                                         [&](const uint8_t *bytes, size_t size) {
                                             crc = lzh::crc16_update(crc, bytes, size);
                                             file.write(bytes, size);
                                         });
    if (failure.empty() && crc != member.data_crc)
        failure = crc_failure(member.data_crc, crc);
    return failure;
}

} // namespace

void check_copied(const Member &member, const std::string &archive) {
    std::string failure = program_expand(archive, member, "");
    if (!failure.empty())
        refuse(member, archive, failure);
}

void with_expanded(const Member &member, const std::string &archive,
                   const std::function<void(const Member &expanded)> &pack) {
    platform::ScratchFile file;
    std::string failure = stub_expands(member.packed_method)
                              ? program_expand(archive, member, file.path())
                              : expand_older(member, archive, file);
    if (!failure.empty())
        refuse(member, archive, failure);
    Member expanded = member;
    expanded.source = MemberSource::File;
    expanded.disk_path = file.path();
    pack(expanded);
}
