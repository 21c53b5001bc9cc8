// The string table as the program sees it, and the one error box.
#include "catalogue.h"
#include "fixture.h"
#include "resource.h"
#include "process/messages.h"

namespace {

class MessagesTest : public ProgramTest {};

TEST_F(MessagesTest, TableHoldsExactlyTheFourteenTexts) {
    for (auto [id, text] : expected_catalogue)
        EXPECT_EQ(standin::to_utf8(fetch_string(id)), text) << "string " << id;
    EXPECT_STREQ(fetch_string(0), "");
    EXPECT_STREQ(fetch_string(12), "");
    EXPECT_EQ(strlen(fetch_string(IDS_OLD_WINDOWS)), 65u) << "longest entry, in code page 932";
}

TEST_F(MessagesTest, FetchOverwritesTheOneBuffer) {
    char *first = fetch_string(IDS_READ_ERROR);
    char *second = fetch_string(IDS_PROGRAM_NAME);
    EXPECT_EQ(first, second);
    EXPECT_STREQ(first, "Kolvane 95  Ver 1.1");
}

TEST_F(MessagesTest, ErrorBoxNamesTheFileFirst) {
    strcpy(state.config.title, "Setup");
    state.owner_window = reinterpret_cast<HWND>(0x77);
    report_file_error(fetch_string(IDS_CRC_ERROR), "D:\\out/a.txt");
    ASSERT_EQ(standin::message_boxes().size(), 1u);
    const auto &box = standin::message_boxes()[0];
    EXPECT_EQ(box_text(0), "\"D:\\out/a.txt\" CRC ｴﾗｰ");
    EXPECT_EQ(box.caption, "Setup");
    EXPECT_EQ(box.style, (UINT)MB_ICONERROR);
    EXPECT_EQ(box.owner, state.owner_window);
}

TEST_F(MessagesTest, LongestErrorTextFits) {
    std::string path(OUTPUT_PATH_SIZE - 1, 'p');
    report_file_error(fetch_string(IDS_OLD_WINDOWS), path.c_str());
    EXPECT_EQ(strlen(state.text_buffer), 2 + path.size() + 1 + 65);
}

} // namespace
