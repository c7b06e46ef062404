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
// "%1", "%2": filled in with FillIn (app/text_util.h). A server's text is quoted last, with its
// control characters escaped and the password masked; a system's reason follows ": ".
inline constexpr std::string_view kFtpNotConnected = "FTPサーバーに接続していません。";
inline constexpr std::string_view kFtpAlreadyConnected = "FTPサーバーにはすでに接続しています。";
inline constexpr std::string_view kFtpServerClosed = "サーバーが接続を切りました。";
inline constexpr std::string_view kFtpStopped = "ユーザーが中止しました。";
inline constexpr std::string_view kFtpReplyTooLong = "サーバーの応答が1 MiBを超えました。";
inline constexpr std::string_view kFtpListingTooLong =
    "サーバーのファイルリストが128 MiBを超えました。";
inline constexpr std::string_view kFtpListingTooManyLines =
    "サーバーのファイルリストが%1行を超えました。";
inline constexpr std::string_view kFtpUnreadableListing =
    "サーバーのファイルリストを1行も読み取れません。最初の行: %1";
inline constexpr std::string_view kFtpQuoteCut = "…"; // ends a quoted line cut short
inline constexpr std::string_view kFtpNoPassiveAddress =
    "サーバーのPASV応答にアドレスがありません: %1";
inline constexpr std::string_view kFtpNoExtendedPassivePort =
    "サーバーのEPSV応答にポート番号がありません: %1";
inline constexpr std::string_view kFtpNoFolderInReply =
    "サーバーのPWD応答にフォルダー名がありません: %1";
inline constexpr std::string_view kFtpLineBreakInCommand = "FTPのコマンドに改行は使用できません。";
inline constexpr std::string_view kFtpInvalidHost = "ホスト「%1」の書き方が正しくありません。";
inline constexpr std::string_view kFtpInvalidPort =
    "ホスト「%1」のポート番号が正しくありません（1～65535）。";
inline constexpr std::string_view kFtpCannotResolve = "ホスト名「%1」を解決できません: %2";
inline constexpr std::string_view kFtpCannotConnect = "%1に接続できません: %2";
inline constexpr std::string_view kFtpConnectTimeout = "%1が%2以内に接続に応じません。";
inline constexpr std::string_view kFtpSilent = "%1が%2応答しません。";
inline constexpr std::string_view kFtpNotTaking = "%1が%2データを受け取りません。";
inline constexpr std::string_view kFtpReplyTimeout = "%1の応答が%2以内に終わりません。";
inline constexpr std::string_view kFtpTransferTimeout =
    "%1とのデータ転送が%2以内に終わりません（%3バイト転送済み）。";
inline constexpr std::string_view kFtpSendFailed = "%1への送信に失敗しました: %2";
inline constexpr std::string_view kFtpReceiveFailed = "%1からの受信に失敗しました: %2";
inline constexpr std::string_view kFtpWaitFailed = "接続の待機に失敗しました: %1";
inline constexpr std::string_view kFtpStopUnavailable = "中止の仕組みを用意できません: %1";
inline constexpr std::string_view kFtpCannotOpenFile = "ファイル「%1」を開けません: %2";
inline constexpr std::string_view kFtpNotARegularFile =
    "「%1」は通常のファイルではないため、アップロードできません。";
inline constexpr std::string_view kFtpCannotReadFile = "ファイル「%1」を読み込めません: %2";
inline constexpr std::string_view kFtpUnknownError = "原因不明のエラーが発生しました。";
inline constexpr std::string_view kFtpMilliseconds = "%1ミリ秒";
inline constexpr std::string_view kFtpSeconds = "%1秒";
inline constexpr std::string_view kFtpMinutes = "%1分";

// --- TLS (ftp/) ---
inline constexpr std::string_view kTlsRefused =
    "サーバーが TLS（暗号化）での接続を受け付けません。TLS を要求する設定のため、接続を中止しました。\r\n";
inline constexpr std::string_view kTlsHandshakeFailed = "TLS の接続を確立できません: ";
inline constexpr std::string_view kTlsBroken = "TLS の通信に失敗しました: ";
inline constexpr std::string_view kTlsCutShort =
    "TLS の終了通知がないまま接続が切れました。データが途中で切れている可能性があります。";
inline constexpr std::string_view kTlsNoCertificate = "サーバーが証明書を提示しませんでした。";
inline constexpr std::string_view kCertificateExpired = "証明書の有効期限が切れています。";
inline constexpr std::string_view kCertificateNotYetValid = "証明書の有効期間がまだ始まっていません。";
inline constexpr std::string_view kCertificateSelfSigned =
    "自己署名の証明書です（信頼された認証局が発行したものではありません）。";
inline constexpr std::string_view kCertificateUnknownIssuer =
    "証明書の発行者（認証局）を確認できません。";
inline constexpr std::string_view kCertificateWrongName = "証明書は「%1」のものではありません。";
inline constexpr std::string_view kCertificateWrongNameHint =
    "共用サーバーでは、お客様のドメインではなくサーバー自身の名前の証明書が使われることがよく"
    "あります。その場合は、FTPホストに証明書の名前を入力するか、この証明書を信頼してください。";
inline constexpr std::string_view kCertificateOther = "証明書を検証できません: ";
inline constexpr std::string_view kCertificateUntrusted = "サーバーの証明書を確認できません。";
inline constexpr std::string_view kCertificateSubject = "発行先: ";
inline constexpr std::string_view kCertificateNames = "対象の名前: ";
inline constexpr std::string_view kCertificateIssuer = "発行者: ";
inline constexpr std::string_view kCertificateValidity = "有効期間: ";
inline constexpr std::string_view kCertificateFingerprint = "SHA-256 指紋: ";

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
