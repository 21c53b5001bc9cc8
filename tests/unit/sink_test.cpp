// The output sink: writes with the running CRC, notice capture, progress and Cancel.
#include "abort_guard.h"
#include "archive/crc16.h"
#include "decode/expand.h"
#include "decode_fixture.h"
#include "extract/sink.h"
#include "lzh_builder.h"

namespace {

class SinkTest : public DecodeTest {};

std::vector<uint8_t> pattern(size_t size, uint8_t seed) {
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; i++)
        bytes[i] = (uint8_t)(seed + i * 5 + (i >> 7));
    return bytes;
}

TEST_F(SinkTest, BlocksAreWrittenAndFoldedIntoTheCrc) {
    open_output();
    std::vector<uint8_t> a = pattern(65536, 1), b = pattern(3, 9);
    sink_write(a.data(), (uint32_t)a.size(), state.output_handle);
    sink_write(b.data(), (uint32_t)b.size(), state.output_handle);
    std::vector<uint8_t> both = a;
    both.insert(both.end(), b.begin(), b.end());
    EXPECT_EQ(output(), both);
    EXPECT_EQ(state.crc, bitwise_crc16(both));
}

// A disk that fills up, or a write that reports success with fewer bytes: the write error
// names the output path, the run aborts, and the failed block is not fed to the CRC.
TEST_F(SinkTest, FailedAndShortWritesAbortWithTheWriteError) {
    for (bool short_write : {false, true}) {
        SCOPED_TRACE(short_write);
        lstrcpynA(state.config.title, "Setup", sizeof state.config.title);
        open_output();
        std::vector<uint8_t> a = pattern(100, 1), b = pattern(100, 2);
        standin::fail_writes_after(150, short_write);
        EXPECT_TRUE(run_guarded([&] { sink_write(a.data(), 100, state.output_handle); }));
        uint16_t crc_after_first = state.crc;
        EXPECT_FALSE(run_guarded([&] { sink_write(b.data(), 100, state.output_handle); }));
        EXPECT_EQ(state.failed, 1);
        EXPECT_EQ(box_texts(), std::vector<std::string>{"\"C:\\out.bin\" 書き込みｴﾗｰ"});
        EXPECT_EQ(box_caption(0), "Setup");
        EXPECT_EQ(state.crc, crc_after_first);
        DecodeTest::TearDown();
        DecodeTest::SetUp();
    }
}

TEST_F(SinkTest, NoticeCaptureKeepsTheFirstBlockAsText) {
    state.output_handle = INVALID_HANDLE_VALUE;
    std::vector<uint8_t> big(5000, 'n');
    sink_write(big.data(), 5000, INVALID_HANDLE_VALUE);
    EXPECT_EQ(strlen(state.text_buffer), 1023u);
    EXPECT_EQ(state.notice_captured, 1);

    std::vector<uint8_t> second(20, 's');
    sink_write(second.data(), 20, INVALID_HANDLE_VALUE);
    EXPECT_EQ(std::string(state.text_buffer), std::string(1023, 'n')) << "second block dropped";
    EXPECT_EQ(state.crc, 0) << "captured text is not fed";

    state.notice_captured = 0;
    std::vector<uint8_t> with_zero(300, 'z');
    with_zero[10] = 0;
    sink_write(with_zero.data(), 300, INVALID_HANDLE_VALUE);
    EXPECT_EQ(std::string(state.text_buffer), std::string(10, 'z'));

    // A short block is copied exactly: its length bounds the copy, not a terminator.
    state.notice_captured = 0;
    const uint8_t four[] = {'a', 'b', 'c', 'd', 'e'};
    sink_write(four, 4, INVALID_HANDLE_VALUE);
    EXPECT_STREQ(state.text_buffer, "abcd");

    state.notice_captured = 0;
    std::vector<uint8_t> exact(1023, 'x');
    sink_write(exact.data(), 1023, INVALID_HANDLE_VALUE);
    EXPECT_EQ(std::string(state.text_buffer), std::string(1023, 'x'));
    EXPECT_EQ(state.crc, 0);
}

TEST_F(SinkTest, PercentagesAreTruncatedAndCapped) {
    struct Case {
        uint64_t done, total;
        int percent;
    };
    const Case cases[] = {
        {0, 0, 0},
        {12345, 0, 0}, // no total: 0 for the whole run
        {1, 3, 33},
        {2, 3, 66}, // truncated, not rounded
        {3, 3, 100},
        {4, 3, 100},                        // more than the total: never above 100
        {5ull << 32, 10ull << 32, 50},      // totals above 4 GiB
        {3000000000ull, 6000000000ull, 50}, // done * 100 needs 64 bits
        {(1ull << 32) + 1, (1ull << 33), 50},
    };
    EXPECT_TRUE(run_in_owner([&] {
        for (const Case &c : cases) {
            state.progress_shown = 0; // each case is a first report
            report_progress(c.done, c.total);
        }
    }));
    ASSERT_EQ(reports.size(), std::size(cases));
    for (size_t i = 0; i < reports.size(); i++)
        EXPECT_EQ(reports[i].percent, cases[i].percent)
            << cases[i].done << " of " << cases[i].total;
}

// Messages waiting for the thread are dispatched by the report: here one posted to the
// owner, which reaches its procedure through the dialog-message filter.
TEST_F(SinkTest, ReportDrainsTheMessageQueue) {
    EXPECT_TRUE(run_in_owner([] {
        PostMessageA(state.owner_window, WM_COMMAND, PROGRESS_COMMAND, 77);
        report_progress(1, 2);
        MSG message;
        EXPECT_FALSE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
    }));
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[0].percent, 50) << "the report is sent first";
    EXPECT_EQ(reports[1].percent, 77) << "then the queue is drained";
}

// Reports move the bar and drain the queue at most once per interval; the run's first
// percentage and 100 go at once, and a Cancel waiting in the queue lands at the next drain.
TEST_F(SinkTest, ReportsAreThinnedToOnePerInterval) {
    int drains = 0;
    standin::set_idle_handler([&] { drains++; });
    EXPECT_FALSE(run_in_owner([&] {
        standin::set_tick_count(1000);
        report_progress(1, 4);
        report_progress(2, 4);
        standin::set_tick_count(1099);
        report_progress(2, 4);
        EXPECT_EQ(drains, 1) << "50 waits, and so does the queue";
        standin::set_tick_count(1100);
        report_progress(2, 4);
        EXPECT_EQ(drains, 2);
        report_progress(3, 4);
        report_progress(4, 4);
        EXPECT_EQ(drains, 3) << "100 drains at once";
        PostMessageA(state.owner_window, WM_COMMAND, IDCANCEL, 0);
        report_progress(4, 4);
        EXPECT_EQ(state.cancel_requested, 0) << "the queue waits";
        standin::set_tick_count(1200);
        report_progress(4, 4);
        ADD_FAILURE() << "Cancel did not land";
    }));
    std::vector<int> shown;
    for (const auto &report : reports)
        shown.push_back(report.percent);
    EXPECT_EQ(shown, (std::vector<int>{25, 50, 100})) << "75 was passed over";
}

// Notice mode has no owner: the percentage goes nowhere, but the queue is still drained.
TEST_F(SinkTest, ReportWithoutOwnerStillDrains) {
    int idle_calls = 0;
    standin::set_idle_handler([&] { idle_calls++; });
    state.owner_window = nullptr;
    EXPECT_TRUE(run_guarded([] { report_progress(5, 10); }));
    EXPECT_EQ(idle_calls, 1);
}

// Cancel pressed while a block is decoded: that block is written and fed to the CRC, the
// report after it aborts without a message, and nothing more is decoded.
TEST_F(SinkTest, CancelLandsAfterTheBlockInHand) {
    std::vector<uint8_t> data = pattern(200000, 3);
    open_member(data);
    open_output();
    state.config.total_size_low = (uint32_t)data.size();
    HWND *owner = &state.owner_window;
    standin::set_idle_handler([owner] {
        if (*owner)
            standin::press(*owner, IDCANCEL);
    });
    EXPECT_FALSE(run_in_owner([] { copy_stored_member(200000); }));
    EXPECT_EQ(state.failed, 1);
    EXPECT_TRUE(standin::message_boxes().empty());
    std::vector<uint8_t> first(data.begin(), data.begin() + 65536);
    EXPECT_EQ(output(), first);
    EXPECT_EQ(state.crc, bitwise_crc16(first));
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(archive_position(), 65536u);
}

TEST_F(SinkTest, ConfiguredTotalJoinsBothHalves) {
    state.config.total_size_low = 0x89ABCDEF;
    state.config.total_size_high = 0x01234567;
    EXPECT_EQ(configured_total(), 0x0123456789ABCDEFull);
}

} // namespace
