// The compiled resource script against the tables it must reproduce: dialog templates
// 101, 102 and 104 control by control, the string table, the icon and the version block,
// all in Japanese.
#include "catalogue.h"
#include "standin.h"

#include <gtest/gtest.h>

#include <strings.h>

namespace {

const int RT_ICON = 3, RT_DIALOG = 5, RT_STRING = 6, RT_GROUP_ICON = 14, RT_VERSION = 16;
const int JAPANESE = 0x411;

const DWORD POPUP_DIALOG = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;
const DWORD CHILD = WS_CHILD | WS_VISIBLE;
const DWORD HIDDEN_CHILD = WS_CHILD | WS_DISABLED; // disabled, not visible

struct Expected {
    int id;
    const char *class_name;
    const char *text;
    int x, y, cx, cy;
    DWORD style;
};

void expect_template(int id, int x, int y, int cx, int cy, const std::vector<Expected> &controls) {
    SCOPED_TRACE("template " + std::to_string(id));
    const standin::DialogTemplate *t = standin::dialog_template(id);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->style, POPUP_DIALOG);
    EXPECT_EQ(t->exstyle, 0u);
    EXPECT_EQ(t->x, x);
    EXPECT_EQ(t->y, y);
    EXPECT_EQ(t->cx, cx);
    EXPECT_EQ(t->cy, cy);
    EXPECT_EQ(t->caption, "");
    EXPECT_EQ(t->font, "ＭＳ Ｐゴシック");
    EXPECT_EQ(t->point_size, 9);
    ASSERT_EQ(t->controls.size(), controls.size());
    for (size_t i = 0; i < controls.size(); i++) {
        const standin::DialogControl &got = t->controls[i];
        const Expected &want = controls[i];
        SCOPED_TRACE("control " + std::to_string(i) + ", id " + std::to_string(want.id));
        EXPECT_EQ(got.id, want.id);
        // Class names are matched ignoring case, as the platform matches them; windres
        // stores a named class in capitals.
        EXPECT_EQ(strcasecmp(got.class_name.c_str(), want.class_name), 0) << got.class_name;
        EXPECT_EQ(got.text, want.text);
        EXPECT_EQ(got.x, want.x);
        EXPECT_EQ(got.y, want.y);
        EXPECT_EQ(got.cx, want.cx);
        EXPECT_EQ(got.cy, want.cy);
        EXPECT_EQ(got.style, want.style) << std::hex << got.style << " != " << want.style;
        EXPECT_EQ(got.exstyle, 0u);
    }
}

TEST(ResourcesTest, MainDialogMatchesItsTable) {
    expect_template(
        101, 0, 0, 231, 85,
        {
            {1002, "STATIC", "解凍先ﾌｫﾙﾀﾞ/ﾃﾞｨﾚｸﾄﾘ(&F):", 10, 12, 150, 8,
             CHILD | SS_LEFT | WS_GROUP},
            {1001, "EDIT", "", 10, 23, 150, 14, CHILD | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP},
            {1003, "STATIC", "", 10, 42, 150, 16, CHILD | SS_LEFT | SS_NOPREFIX | WS_GROUP},
            {1000, "msctls_progress32", "Progress1", 10, 62, 150, 14, CHILD | WS_BORDER},
            {1, "BUTTON", "OK", 174, 7, 50, 14, CHILD | BS_DEFPUSHBUTTON | WS_TABSTOP},
            {2, "BUTTON", "ｷｬﾝｾﾙ", 174, 24, 50, 14, CHILD | BS_PUSHBUTTON | WS_TABSTOP},
            {1004, "BUTTON", "参照(&B)...", 174, 62, 50, 14, CHILD | BS_PUSHBUTTON | WS_TABSTOP},
        });
}

TEST(ResourcesTest, OverwriteDialogMatchesItsTable) {
    expect_template(
        104, 0, 0, 254, 69,
        {
            {6, "BUTTON", "はい(&Y)", 7, 48, 50, 14, CHILD | BS_DEFPUSHBUTTON | WS_TABSTOP},
            {2, "BUTTON", "ｷｬﾝｾﾙ", 197, 48, 50, 14, CHILD | BS_PUSHBUTTON | WS_TABSTOP},
            {1004, "BUTTON", "すべて上書き(&A)", 67, 48, 60, 14,
             CHILD | BS_PUSHBUTTON | WS_TABSTOP},
            {7, "BUTTON", "いいえ(&N)", 137, 48, 50, 14, CHILD | BS_PUSHBUTTON | WS_TABSTOP},
            {1003, "STATIC", "", 47, 7, 200, 8, CHILD | SS_LEFTNOWORDWRAP | WS_GROUP},
            {1002, "STATIC", "", 7, 7, 18, 20, CHILD | SS_ICON},
            {-1, "STATIC", "すでにﾌｧｲﾙが存在します。上書きしますか?", 47, 27, 200, 8,
             CHILD | SS_LEFT | WS_GROUP},
        });
}

TEST(ResourcesTest, DirectoryPickerMatchesItsTable) {
    const DWORD list = LBS_NOTIFY | LBS_SORT | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS |
                       LBS_DISABLENOSCROLL | WS_VSCROLL | WS_BORDER;
    expect_template(
        102, 24, 24, 175, 138,
        {
            {-1, "STATIC", "ﾃﾞｨﾚｸﾄﾘ(&D):", 10, 11, 92, 9, CHILD | SS_LEFT | WS_GROUP},
            {1088, "STATIC", "", 10, 22, 92, 9, CHILD | SS_LEFT | SS_NOPREFIX | WS_GROUP},
            {1121, "LISTBOX", "", 10, 34, 92, 68, CHILD | list | WS_TABSTOP},
            {1091, "STATIC", "ﾄﾞﾗｲﾌﾞ(&V):", 10, 106, 92, 9, CHILD | SS_LEFT | WS_GROUP},
            {1137, "COMBOBOX", "", 10, 116, 92, 68,
             CHILD | CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_AUTOHSCROLL | CBS_SORT |
                 CBS_HASSTRINGS | WS_VSCROLL | WS_BORDER | WS_TABSTOP},
            {1, "BUTTON", "OK", 115, 12, 50, 14, CHILD | BS_DEFPUSHBUTTON | WS_GROUP | WS_TABSTOP},
            {2, "BUTTON", "ｷｬﾝｾﾙ", 115, 30, 50, 14, CHILD | BS_PUSHBUTTON | WS_GROUP | WS_TABSTOP},
            {1038, "BUTTON", "ﾍﾙﾌﾟ(&H)", 115, 55, 50, 14,
             CHILD | BS_PUSHBUTTON | WS_GROUP | WS_TABSTOP},
            {1090, "STATIC", "ファイル名(&N):", -269, 8, 76, 9, HIDDEN_CHILD | SS_LEFT | WS_GROUP},
            {1152, "EDIT", "", -271, 20, 90, 12,
             HIDDEN_CHILD | ES_AUTOHSCROLL | ES_OEMCONVERT | WS_BORDER | WS_TABSTOP},
            {1120, "LISTBOX", "", -269, 37, 90, 68, HIDDEN_CHILD | list},
            {1089, "STATIC", "ファイルの種類(&T):", -269, 109, 90, 9,
             HIDDEN_CHILD | SS_LEFT | WS_GROUP},
            {1136, "COMBOBOX", "", -268, 121, 90, 36,
             HIDDEN_CHILD | CBS_DROPDOWNLIST | CBS_AUTOHSCROLL | WS_VSCROLL | WS_BORDER},
            {1040, "BUTTON", "上書き禁止(&R)", -263, 137, 63, 12,
             HIDDEN_CHILD | BS_AUTOCHECKBOX | WS_GROUP},
        });
}

TEST(ResourcesTest, OnlyTheThreeDialogsExist) {
    for (int id = 0; id < 200; id++)
        EXPECT_EQ(standin::dialog_template(id) != nullptr, id == 101 || id == 102 || id == 104)
            << id;
}

TEST(ResourcesTest, CompiledStringTableHoldsTheCatalogue) {
    for (const auto &[id, text] : expected_catalogue)
        EXPECT_EQ(standin::resource_string(id).value_or("<absent>"), text) << id;
    EXPECT_FALSE(standin::resource_string(0).has_value());
    EXPECT_FALSE(standin::resource_string(12).has_value());
    EXPECT_FALSE(standin::resource_string(16).has_value());
}

TEST(ResourcesTest, LoadStringGivesTheCatalogueInCodePage932) {
    standin::reset();
    char buffer[128];
    for (const auto &[id, text] : expected_catalogue) {
        int length = LoadStringA(GetModuleHandleA(nullptr), (UINT)id, buffer, sizeof buffer);
        EXPECT_EQ(std::string(buffer, (size_t)length), standin::to_cp932(text)) << id;
    }
    EXPECT_EQ(LoadStringA(GetModuleHandleA(nullptr), 12, buffer, sizeof buffer), 0);
    // The longest entry, 13, has 65 bytes in the ANSI code page.
    EXPECT_EQ(LoadStringA(GetModuleHandleA(nullptr), 13, buffer, sizeof buffer), 65);
}

TEST(ResourcesTest, EveryResourceIsJapanese) {
    EXPECT_EQ(standin::resource_language(RT_DIALOG, 101), JAPANESE);
    EXPECT_EQ(standin::resource_language(RT_DIALOG, 102), JAPANESE);
    EXPECT_EQ(standin::resource_language(RT_DIALOG, 104), JAPANESE);
    EXPECT_EQ(standin::resource_language(RT_STRING, 1), JAPANESE); // ids 0 to 15
    EXPECT_EQ(standin::resource_language(RT_GROUP_ICON, 103), JAPANESE);
    EXPECT_EQ(standin::resource_language(RT_VERSION, 1), JAPANESE);
}

uint32_t little(const std::string &bytes, size_t at, int size) {
    uint32_t v = 0;
    for (int i = size - 1; i >= 0; i--)
        v = v << 8 | (uint8_t)bytes.at(at + (size_t)i);
    return v;
}

// GRPICONDIR: reserved, type 1, count; then 14 bytes per image: width, height, colours,
// reserved, planes, bits per pixel, byte count (4), RT_ICON id (2).
TEST(ResourcesTest, IconGroupHas32And16PixelImages) {
    std::string group = standin::resource_bytes(RT_GROUP_ICON, 103);
    ASSERT_GE(group.size(), 6u);
    EXPECT_EQ(little(group, 2, 2), 1u);
    size_t count = little(group, 4, 2);
    ASSERT_EQ(group.size(), 6 + 14 * count);
    std::vector<int> sizes;
    for (size_t i = 0; i < count; i++) {
        size_t entry = 6 + 14 * i;
        sizes.push_back((uint8_t)group[entry]);
        EXPECT_EQ((uint8_t)group[entry], (uint8_t)group[entry + 1]); // square
        // Palette images: what Windows 95 and NT 3.51 draw.
        EXPECT_LE(little(group, entry + 6, 2), 8u);
        std::string image = standin::resource_bytes(RT_ICON, (int)little(group, entry + 12, 2));
        EXPECT_EQ(image.size(), little(group, entry + 8, 4));
    }
    EXPECT_EQ(sizes, (std::vector<int>{32, 16}));
}

// Version block: the fixed part (signature 0xFEEF04BD) carries 1.1 as file and product
// version; the Japanese string block names the product.
TEST(ResourcesTest, VersionBlockNamesProductAndVersion) {
    std::string version = standin::resource_bytes(RT_VERSION, 1);
    size_t fixed = version.find(std::string("\xBD\x04\xEF\xFE", 4));
    ASSERT_NE(fixed, std::string::npos);
    EXPECT_EQ(little(version, fixed + 8, 4), 0x00010001u);  // file version, high
    EXPECT_EQ(little(version, fixed + 16, 4), 0x00010001u); // product version, high
    auto utf16 = [](const std::string &ascii) {
        std::string out;
        for (char c : ascii)
            out += std::string{c, '\0'};
        return out;
    };
    EXPECT_NE(version.find(utf16("041103a4")), std::string::npos);
    size_t name = version.find(utf16("ProductName"));
    ASSERT_NE(name, std::string::npos);
    EXPECT_NE(version.find(utf16("Kolvane 95"), name), std::string::npos);
}

} // namespace
