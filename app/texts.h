#pragma once

#include <string>
#include <string_view>

#include <QString>

// Every text the user sees, in one place: the window, its dialogs and the command line show the
// same words. A server's reply is quoted as the server sent it (control characters escaped);
// everything else the program says is here, in Japanese.
namespace texts {

// --- Common ---
inline constexpr std::string_view kLineBreak = "\r\n";
inline constexpr std::string_view kConfirm = "確認";
inline constexpr std::string_view kRun = "実行";
inline constexpr std::string_view kCancel = "キャンセル";
inline constexpr std::string_view kConnectFailed = "接続失敗";
inline constexpr std::string_view kConnected = "接続成功";
inline constexpr std::string_view kRetrievalRunning = "ファイルリストの取得中です。";
inline constexpr std::string_view kSeparatorRefused = "「;」は使用できません。";

// --- The FTP session (ftp/) ---

// --- Files and settings (app/, settings/) ---
inline constexpr std::string_view kUnusableCharacter =
    "制御文字など、アドレスに使用できない文字が含まれています。";

// --- The walk (app/jobs/) ---

// --- The sitemap and its upload (sitemap/) ---
inline constexpr std::string_view kNoSitemap = "サイトマップがまだ作成されていません。";
inline constexpr std::string_view kUploaded = "サイトマップをアップロードしました。";
inline constexpr std::string_view kUploadFailed = "サイトマップのアップロードに失敗しました。";

// --- The command line (cli/) ---

// --- The windows (app/window/, settings/dialog/) ---

} // namespace texts

// A catalogue text as a QString.
inline QString QText(std::string_view text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}
