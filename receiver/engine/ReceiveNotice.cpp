#include "receiver/engine/ReceiveNotice.h"

namespace receive {

const char* connectionStatusText(int code)
{
    switch (code) {
    case 10: return "サーバーを検索しています";
    case 11: return "サーバーが見つかりました";
    case 20: return "サーバーへ接続します";
    case 21: return "サーバーへ接続しました";
    case 30: return "サーバーへファイルを要求しています";
    case 31: return "サーバーからの受信を開始しました";
    case 40: return "サーバーに送信した要求に対する応答を待っています";
    case 41: return "サーバーからの受信を完了しました";
    case 50: return "サーバーへの接続を閉じます";
    case 51: return "サーバーへの接続を終了しました";
    case 60: return "サーバーへの接続を開始しました";
    case 70: return "サーバーへの接続を終了しました";
    case 100: return "サーバーへの接続を終了しました";
    default: return "";
    }
}

} // namespace receive
