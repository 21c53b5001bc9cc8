# shellcheck shell=bash
# shellcheck disable=SC2034  # read by the case files of sfx-cases.sh
# The texts that the self-extractor shows, as its users are promised them: string table entries
# (id in the comment) and the overwrite question. Written out here rather than taken from the
# program's resources, so that a wrong text in the program is caught.
TEXT_READ_ERROR="読み込みｴﾗｰ" # 2
TEXT_BAD_HEADER="ﾍｯﾀﾞｰの内容が不正です" # 5
TEXT_CRC_ERROR="CRC ｴﾗｰ" # 6
TEXT_PROGRAM_NAME="Kolvane 95  Ver 1.1" # 7
TEXT_EXTRACTING="解凍中: " # 9, followed by the member path
TEXT_SELECT_FOLDER="ﾌｫﾙﾀﾞを選択してください" # 11
TEXT_OLD_WINDOWS="このﾌﾟﾛｸﾞﾗﾑは Windows95/NT3.51 以降の環境でなければ実行できません" # 13
TEXT_BROWSE_DIRECTORY="ﾃﾞｨﾚｸﾄﾘの参照" # 14
TEXT_FULL_PATH="ﾌﾙﾊﾟｽ名で指定してください" # 15
TEXT_OVERWRITE_QUESTION="すでにﾌｧｲﾙが存在します。上書きしますか?"
