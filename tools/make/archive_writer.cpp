#include "archive_writer.h"
#include "compress_file.h"
#include "input_file.h"
#include "level2_header.h"
#include "make_error.h"
#include "progress.h"
#include "take_over.h"

#include "crc16.h"

#include <memory>

namespace {

constexpr uint64_t FOUR_GIB = uint64_t(1) << 32;
constexpr size_t CHUNK = 1 << 20;

MemberData store_file(OutputFile &out, const Member &member) {
    Input input(member.disk_path, member.shown);
    std::unique_ptr<uint8_t[]> buffer(new uint8_t[CHUNK]);
    MemberData data;
    uint64_t total = 0;
    while (size_t got = input.read(buffer.get(), CHUNK)) {
        total += got;
        if (total >= FOUR_GIB)
            throw MakeError("\"" + member.shown + "\": grew to 4 GiB or more while being packed");
        data.crc = lzh::crc16_update(data.crc, buffer.get(), got);
        out.write(buffer.get(), got);
    }
    data.method = '0';
    data.compressed_size = data.original_size = (uint32_t)total;
    return data;
}

// Compresses the file into out as it is read; when that does not pay, the compressed data
// is dropped and the file stored instead.
MemberData pack_file(OutputFile &out, const Member &member, char method) {
    const uint64_t start = out.position();
    MemberData data;
    auto sink = [&out](const uint8_t *bytes, size_t size) { out.write(bytes, size); };
    if (method != '0' && member.size > 0 && compress_file(member, method, sink, data))
        return data;
    out.seek(start);
    out.truncate_here();
    return store_file(out, member);
}

// Writes the data of a file that ahead compressed (or found not worth compressing).
MemberData write_packed(OutputFile &out, const Member &member, PackAhead::Result result) {
    if (!result.packed)
        return store_file(out, member);
    out.write(result.bytes.data(), result.bytes.size());
    return result.data;
}

MemberData copy_member(OutputFile &out, const Member &member, Input &source) {
    source.seek(member.data_offset);
    std::unique_ptr<uint8_t[]> buffer(new uint8_t[CHUNK]);
    for (uint64_t left = member.compressed_size; left > 0;) {
        size_t got = source.read(buffer.get(), left < CHUNK ? (size_t)left : CHUNK);
        if (got == 0)
            throw MakeError("\"" + member.shown + "\": the archive ends inside its data");
        out.write(buffer.get(), got);
        left -= got;
    }
    MemberData data;
    data.method = member.method;
    data.compressed_size = member.compressed_size;
    data.original_size = (uint32_t)member.size;
    data.crc = member.data_crc;
    return data;
}

// A worker's share of a member taken over: the check of one that goes over as it is, or
// the whole repacking of one (into memory, stored when packing does not pay).
PackAhead::Result take_over(const Member &member, const WriteSettings &settings) {
    PackAhead::Result result;
    if (!member.repack) {
        check_copied(member, settings.source_archive);
        return result;
    }
    with_expanded(member, settings.source_archive, [&](const Member &expanded) {
        auto keep = [&](const uint8_t *bytes, size_t size) {
            result.bytes.insert(result.bytes.end(), bytes, bytes + size);
        };
        if (compress_file(expanded, settings.method, keep, result.data, 1))
            return;
        result.bytes.resize(expanded.size);
        Input input(expanded.disk_path, expanded.shown);
        for (size_t at = 0; at < result.bytes.size();) {
            size_t got = input.read(result.bytes.data() + at, result.bytes.size() - at);
            if (got == 0)
                throw MakeError("\"" + member.shown + "\": its expanded data went missing");
            at += got;
        }
        result.data.method = '0';
        result.data.compressed_size = result.data.original_size = (uint32_t)expanded.size;
        result.data.crc = member.data_crc;
    });
    result.packed = true;
    return result;
}

MemberData write_copied(OutputFile &out, const Member &member, const WriteSettings &settings,
                        PackAhead &ahead, size_t index, std::unique_ptr<Input> &source) {
    if (ahead.takes(index)) {
        PackAhead::Result result = ahead.result(index);
        if (member.repack)
            return write_packed(out, member, std::move(result));
    } else if (member.repack) {
        MemberData data;
        with_expanded(member, settings.source_archive, [&](const Member &expanded) {
            data = pack_file(out, expanded, settings.method);
        });
        return data;
    } else {
        check_copied(member, settings.source_archive);
    }
    if (!source)
        source = std::make_unique<Input>(settings.source_archive, settings.source_archive);
    return copy_member(out, member, *source);
}

MemberData write_data(OutputFile &out, const Member &member, const WriteSettings &settings,
                      PackAhead &ahead, size_t index, std::unique_ptr<Input> &source) {
    MemberData data;
    switch (member.source) {
    case MemberSource::Directory:
        data.method = 'd';
        break;
    case MemberSource::Notice:
        out.write(member.text.data(), member.text.size());
        data.compressed_size = data.original_size = (uint32_t)member.text.size();
        data.crc = lzh::crc16_update(0, (const uint8_t *)member.text.data(), member.text.size());
        break;
    case MemberSource::File:
        data = ahead.takes(index) ? write_packed(out, member, ahead.result(index))
                                  : pack_file(out, member, settings.method);
        break;
    case MemberSource::Copied:
        data = write_copied(out, member, settings, ahead, index, source);
        break;
    }
    return data;
}

} // namespace

ArchiveSummary write_members(OutputFile &out, const std::vector<Member> &members,
                             const WriteSettings &settings) {
    ArchiveSummary summary;
    uint64_t archive_start = out.position();
    std::unique_ptr<Input> source;
    PackAhead ahead(members, settings.method, {},
                    [&settings](const Member &member) { return take_over(member, settings); });
    uint64_t planned = 0, done = 0;
    for (const Member &member : members)
        planned += member.size;
    struct ProgressLine {
        ~ProgressLine() { end_progress(); } // also when the writing fails
    } progress_line;
    for (size_t index = 0; index < members.size(); ++index) {
        const Member &member = members[index];
        if (!settings.quiet)
            show_progress(done, planned, member.shown);
        done += member.size;
        uint64_t header_at = out.position();
        MemberData placeholder;
        std::vector<uint8_t> header = level2_header(member, placeholder);
        out.write(header.data(), header.size());
        MemberData data = write_data(out, member, settings, ahead, index, source);
        uint64_t end = out.position();
        header = level2_header(member, data);
        out.seek(header_at);
        out.write(header.data(), header.size());
        out.seek(end);
        // The self-extractor passes over the notice without counting it in its progress.
        bool notice = &member == &members.front() && member.path() == NOTICE_NAME;
        if (!notice)
            summary.total_size += data.original_size;
        if (member.repack) {
            summary.repacked++;
            summary.repacked_before += member.compressed_size;
            summary.repacked_after += data.compressed_size;
        }
        end_progress();
        if (!settings.quiet)
            printf("  -lh%c- %10u %10u  %s\n", data.method, data.original_size,
                   data.compressed_size, member.shown.c_str());
    }
    out.write("", 1);
    summary.bytes = out.position() - archive_start;
    return summary;
}
