// The message texts as the program must show them, written out independently of the
// string table source so that a wrong entry there is caught.
#pragma once

#include <utility>

inline constexpr std::pair<int, const char *> expected_catalogue[] = {
    {1, "Bad table (5)"},
    {2, "読み込みｴﾗｰ"},
    {3, "書き込みｴﾗｰ"},
    {4, "書庫が壊れています"},
    {5, "ﾍｯﾀﾞｰの内容が不正です"},
    {6, "CRC ｴﾗｰ"},
    {7, "Kolvane 95  Ver 1.1"},
    {8, "ﾒﾓﾘが足りません"},
    {9, "解凍中: %s"},
    {10, "解凍先の同名ﾌｧｲﾙは上書きされます"},
    {11, "ﾌｫﾙﾀﾞを選択してください"},
    {13, "このﾌﾟﾛｸﾞﾗﾑは Windows95/NT3.51 以降の環境でなければ実行できません"},
    {14, "ﾃﾞｨﾚｸﾄﾘの参照"},
    {15, "ﾌﾙﾊﾟｽ名で指定してください"},
};
