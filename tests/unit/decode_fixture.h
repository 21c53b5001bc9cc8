// Common ground for decoder tests: a member's data in an archive file on the scratch drive,
// an output file, and the header that expansion reads.
#pragma once

#include "fixture.h"

#include <functional>
#include <stdint.h>
#include <string>
#include <vector>

// One progress command as the owner window received it, with what had happened by then.
struct ProgressReport {
    int percent;          // the command's long parameter
    uint64_t bytes_done;  // state.bytes_done at that moment
    uint64_t output_size; // bytes in C:\out.bin at that moment
    bool operator==(const ProgressReport &) const = default;
};

class DecodeTest : public ProgramTest {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Writes `data` followed by `trailer` to C:\archive.bin, opens it as the archive and
    // readies the bit input for a member of data.size() compressed bytes.
    void open_member(const std::vector<uint8_t> &data, const std::vector<uint8_t> &trailer = {});
    // Where the archive stands: how many of its bytes have been read.
    uint64_t archive_position() const;

    // Creates C:\out.bin as the output; output() closes it and returns what it holds.
    void open_output();
    std::vector<uint8_t> output();

    // A header for expand_member: method letter '0' or '4' to '7' and the two sizes.
    void set_header(char method_letter, uint32_t compressed_size, uint32_t original_size);

    // The texts of the message boxes shown so far, in UTF-8.
    std::vector<std::string> box_texts() const;
    // The box a read error shows: the own path in quotes, then string 2.
    std::string read_error_box() const;
    std::string bad_table_box() const;

    // Runs `body` under the abort guard inside a modal dialog (the main dialog's template)
    // that stands in for the owner window: it records every progress command in `reports`
    // and sets cancel_requested when its Cancel button is pressed. Returns whether `body`
    // returned.
    bool run_in_owner(const std::function<void()> &body);

    std::vector<uint8_t> header;
    std::vector<ProgressReport> reports;

  public:
    void record_report(int percent);
};
