#include "guidepost/CCVCException.h"

namespace {

const char* const messages[] = {
    /* 0 */ nullptr,
    /* 1 */ "IDが正しくありません",
    /* 2 */ "データセットの対象が正しくありません",
    /* 3 */ "データセットするオブジェクトが正しくありません",
    /* 4 */ "パラメータが正しくありません",
    /* 5 */ "保存タイプが正しくありません",
    /* 6 */ nullptr,
    /* 7 */ "タスクIDが正しくありません",
    /* 8 */ "ソースIDが正しくありません",
    /* 9 */ "ファイルリストIDが正しくありません",
    /* 10 */ "ファイルIDが正しくありません",
    /* 11 */ "添付ファイルIDが正しくありません",
    /* 12 */ "ブラウズ情報IDが正しくありません",
    /* 13 */ "暗号化処理でエラーが生じました",
    /* 14 */ "アカウントデータの設定でエラーが生じました",
    /* 15 */ "アカウントデータの追加でエラーが生じました",
    /* 16 */ "アカウントデータの削除でエラーが生じました",
    /* 17 */ "PROXYデータの設定でエラーが生じました",
    /* 18 */ "PROXYデータの追加でエラーが生じました",
    /* 19 */ "PROXYデータの削除でエラーが生じました",
};

} // namespace

const char* CCVCException::messageFor(int code)
{
    constexpr int count = static_cast<int>(sizeof messages / sizeof messages[0]);
    if (code < 1 || code >= count)
        return nullptr;
    return messages[code];
}
