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
