// Common ground for unit tests: a fresh program state, a fresh stand-in, and drive C:
// on a scratch folder of the test's own.
#pragma once

#include "standin.h"
#include "process/state.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

class ProgramTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Host path of a Windows path on the scratch drive, e.g. host("C:\\a") -> "/tmp/.../a".
    std::string host(const std::string &windows_path) const;
    void write_host_file(const std::string &host_path, const std::vector<uint8_t> &bytes) const;
    void write_host_file(const std::string &host_path, const std::string &text) const;
    std::vector<uint8_t> read_host_file(const std::string &host_path) const;
    bool host_exists(const std::string &host_path) const;

    // A self-extractor file on the scratch drive: `image_size` bytes of image with
    // `config` at 512, then `archive`; the module file name points at it.
    void write_self_extractor(const SfxConfig &config, const std::vector<uint8_t> &archive,
                              uint32_t image_size = 2048);

    // Message boxes shown so far, texts converted to UTF-8.
    std::string box_text(size_t index) const;
    std::string box_caption(size_t index) const;

    std::string scratch; // host folder behind drive C:
    std::string own_path = "C:\\sfx.exe";
};

// Code page 932 bytes of a UTF-8 text.
std::string cp932(const std::string &utf8);
