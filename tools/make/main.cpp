// kolvane-make: writes a self-extractor, a copy of the stub with its configuration block
// filled in, followed by a level-2 LZH archive of a folder or of an existing archive.
#include "archive_source.h"
#include "archive_writer.h"
#include "config_block.h"
#include "folder_scan.h"
#include "make_error.h"
#include "notice.h"
#include "options.h"
#include "platform.h"
#include "output_file.h"
#include "plan_checks.h"
#include "stub_copy.h"

#include <bit>
#include <cstdio>
#include <filesystem>
#include <new>
#include <system_error>

namespace {

constexpr uint64_t ARCHIVE_ALIGNMENT = 512; // the stub's file alignment

// The block is plain data whose numbers the file holds little-endian.
static_assert(std::endian::native == std::endian::little);

void refuse_output_inside(const std::string &output, const std::string &folder) {
    namespace fs = std::filesystem;
    std::error_code error;
    fs::path inside = fs::weakly_canonical(fs::absolute(platform::native_path(output)), error);
    fs::path root = fs::weakly_canonical(fs::absolute(platform::native_path(folder)), error);
    auto mismatch = std::mismatch(root.begin(), root.end(), inside.begin(), inside.end());
    if (!error && mismatch.first == root.end())
        throw MakeError("\"" + output + "\": lies inside the folder being packed");
}

// Warnings go to standard error even with -q: each tells of something left out or moved.
std::vector<Member> plan_members(const Options &options) {
    std::vector<Member> members;
    if (!options.notice.empty())
        members.push_back(notice_member(options.notice));
    ArchiveContents contents;
    if (options.from_archive.empty())
        contents.members = scan_folder(options.source);
    else
        contents = read_archive(options.from_archive, options.recompress);
    for (const std::string &warning : contents.warnings)
        fprintf(stderr, "kolvane-make: warning: %s\n", warning.c_str());
    members.insert(members.end(), std::make_move_iterator(contents.members.begin()),
                   std::make_move_iterator(contents.members.end()));
    check_members(members);
    return members;
}

void report_repacked(const Options &options, const ArchiveSummary &summary) {
    if (options.quiet || summary.repacked == 0)
        return;
    printf("%zu member%s expanded and packed again with -lh%c-", summary.repacked,
           summary.repacked == 1 ? "" : "s", options.method);
    if (options.recompress)
        printf(": %llu bytes of data before, %llu after",
               (unsigned long long)summary.repacked_before,
               (unsigned long long)summary.repacked_after);
    printf("\n");
}

// Everything that can be refused is refused before the output file is created.
int make_self_extractor(const Options &options) {
    std::vector<uint8_t> stub = load_stub(options.stub);
    size_t checksum_field = prepare_stub_copy(stub, options);
    SfxConfig config = make_config(options);
    if (options.from_archive.empty())
        refuse_output_inside(options.output, options.source);
    std::vector<Member> members = plan_members(options);

    OutputFile out(options.output);
    out.write(stub.data(), stub.size());
    uint64_t padding = (ARCHIVE_ALIGNMENT - stub.size() % ARCHIVE_ALIGNMENT) % ARCHIVE_ALIGNMENT;
    out.write(std::vector<uint8_t>(padding).data(), padding);
    config.archive_offset = (uint32_t)out.position();
    WriteSettings settings;
    settings.method = options.method;
    settings.source_archive = options.from_archive;
    settings.quiet = options.quiet;
    ArchiveSummary summary = write_members(out, members, settings);
    config.total_size_low = (uint32_t)summary.total_size;
    config.total_size_high = (uint32_t)(summary.total_size >> 32);
    out.seek(CONFIG_OFFSET);
    out.write(&config, CONFIG_SIZE);
    if (checksum_field)
        write_checksum(out, checksum_field);
    out.commit();
    report_repacked(options, summary);
    if (!options.quiet)
        printf("%s: %zu members, %llu bytes in an archive of %llu bytes at offset %u\n",
               options.output.c_str(), members.size(), (unsigned long long)summary.total_size,
               (unsigned long long)summary.bytes, config.archive_offset);
    return EXIT_MADE;
}

} // namespace

int kolvane_make(int argc, char **argv) {
    Options options;
    int done = parse_options(argc, argv, options);
    if (done >= 0)
        return done;
    try {
        return make_self_extractor(options);
    } catch (const MakeError &error) {
        fprintf(stderr, "kolvane-make: %s\n", error.what());
    } catch (const std::bad_alloc &) {
        fprintf(stderr, "kolvane-make: out of memory\n");
    } catch (const std::system_error &error) { // no thread could be started
        fprintf(stderr, "kolvane-make: %s\n", error.what());
    }
    return EXIT_REFUSED;
}
