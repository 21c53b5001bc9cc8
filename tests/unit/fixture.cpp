#include "fixture.h"
#include "extract/sink.h"

#include <filesystem>
#include <fstream>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

void ProgramTest::SetUp() {
    memset(&state, 0, sizeof state);
    standin::reset();
    standin::set_tick_count(0,
                            REPORT_INTERVAL); // every report is due unless a test stops the clock
    char name[] = "/tmp/kolvane-test-XXXXXX";
    ASSERT_NE(mkdtemp(name), nullptr);
    scratch = name;
    standin::map_drive('C', scratch);
    standin::set_current_directory("C:\\");
    standin::set_module_file_name(own_path);
    lstrcpynA(state.own_path, own_path.c_str(), PATH_SIZE);
    state.instance = GetModuleHandleA(nullptr);
    state.archive_handle = INVALID_HANDLE_VALUE;
    state.output_handle = INVALID_HANDLE_VALUE;
}

void ProgramTest::TearDown() {
    namespace fs = std::filesystem;
    std::error_code error;
    for (auto &entry : fs::recursive_directory_iterator(scratch, error))
        fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, error);
    fs::remove_all(scratch, error);
}

std::string ProgramTest::host(const std::string &windows_path) const {
    return standin::host_path(windows_path.c_str());
}

void ProgramTest::write_host_file(const std::string &path,
                                  const std::vector<uint8_t> &bytes) const {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char *>(bytes.data()), (std::streamsize)bytes.size());
    ASSERT_TRUE(out.good()) << path;
}

void ProgramTest::write_host_file(const std::string &path, const std::string &text) const {
    write_host_file(path, std::vector<uint8_t>(text.begin(), text.end()));
}

std::vector<uint8_t> ProgramTest::read_host_file(const std::string &path) const {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
}

bool ProgramTest::host_exists(const std::string &path) const {
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

void ProgramTest::write_self_extractor(const SfxConfig &config, const std::vector<uint8_t> &archive,
                                       uint32_t image_size) {
    std::vector<uint8_t> file(image_size, 0);
    file[0] = 'M';
    file[1] = 'Z';
    memcpy(file.data() + CONFIG_OFFSET, &config, sizeof config);
    file.insert(file.end(), archive.begin(), archive.end());
    write_host_file(host(own_path), file);
}

std::string ProgramTest::box_text(size_t index) const {
    return standin::to_utf8(standin::message_boxes().at(index).text);
}

std::string ProgramTest::box_caption(size_t index) const {
    return standin::to_utf8(standin::message_boxes().at(index).caption);
}

std::string cp932(const std::string &utf8) {
    return standin::to_cp932(utf8);
}
