#pragma once

#include <array>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include <QString>
#include <QtGlobal>

// Every text the user sees, in one place: the window, its dialogs and the command line show the
// same words. A server's reply is quoted as the server sent it (control characters escaped);
// everything else the program says is here. The catalogue is written in Japanese, the source
// language; translations/ holds the other languages, which lupdate keeps in step with this file.
namespace texts {

enum class Language { Japanese, English };

// The language of the user's locale (LC_ALL, LC_MESSAGES, LANG): English when it is English,
// Japanese otherwise, the C/POSIX locale included.
Language SystemLanguage();
// Every text of the catalogue reads in language from now on. Texts already handed out stay
// valid, in the language they were read in.
void UseLanguage(Language language);

// A text of the catalogue: its Japanese source, as lupdate extracts it from QT_TRANSLATE_NOOP,
// read in the current language whenever it is used.
class Text final {
public:
    explicit constexpr Text(const char* source) : source_(source) {}
    // The text in the current language, UTF-8, valid until the program ends; thread-safe.
    operator std::string_view() const;

private:
    std::string_view source_;
};

std::ostream& operator<<(std::ostream& out, const Text& text);

// Lines of a message joined into one line as the current language writes sentences: a line
// that ends without a stop gets one ("。" or "."), and English puts a blank between them.
std::string JoinSentences(const std::vector<std::string>& lines);

// --- Common ---
inline constexpr std::string_view kLineBreak = "\r\n";
inline constexpr Text kConfirm{QT_TRANSLATE_NOOP("texts", "確認")};
inline constexpr Text kRun{QT_TRANSLATE_NOOP("texts", "実行")};
inline constexpr Text kCancel{QT_TRANSLATE_NOOP("texts", "キャンセル")};
inline constexpr Text kConnectFailed{QT_TRANSLATE_NOOP("texts", "接続失敗")};
inline constexpr Text kConnected{QT_TRANSLATE_NOOP("texts", "接続成功")};
inline constexpr Text kRetrievalRunning{QT_TRANSLATE_NOOP("texts", "ファイルリストの取得中です。")};
inline constexpr Text kSeparatorRefused{QT_TRANSLATE_NOOP("texts", "「;」は使用できません。")};
inline constexpr Text kUnknownError{QT_TRANSLATE_NOOP("texts", "原因不明のエラーが発生しました。")};

// --- The FTP session (ftp/) ---
// Filled in by the edges' mappers (jobs/problem_text.h). A server's text is quoted last, with its
// control characters escaped and the password masked; a system's reason follows ": ".
inline constexpr Text kFtpNotConnected{
    QT_TRANSLATE_NOOP("texts", "FTPサーバーに接続していません。")};
inline constexpr Text kFtpAlreadyConnected{
    QT_TRANSLATE_NOOP("texts", "FTPサーバーにはすでに接続しています。")};
inline constexpr Text kFtpServerClosed{QT_TRANSLATE_NOOP("texts", "サーバーが接続を切りました。")};
inline constexpr Text kFtpStopped{QT_TRANSLATE_NOOP("texts", "ユーザーが中止しました。")};
inline constexpr Text kFtpReplyTooLong{
    QT_TRANSLATE_NOOP("texts", "サーバーの応答が1 MiBを超えました。")};
inline constexpr Text kFtpListingTooLong{
    QT_TRANSLATE_NOOP("texts", "サーバーのファイルリストが128 MiBを超えました。")};
inline constexpr Text kFtpListingTooManyLines{
    QT_TRANSLATE_NOOP("texts", "サーバーのファイルリストが{limit}行を超えました。")};
inline constexpr Text kFtpUnreadableListing{
    QT_TRANSLATE_NOOP("texts", "サーバーのファイルリストを1行も読み取れません。最初の行: {line}")};
inline constexpr Text kFtpQuoteCut{QT_TRANSLATE_NOOP("texts", "…")}; // ends a quoted line cut short
inline constexpr Text kFtpNoPassiveAddress{
    QT_TRANSLATE_NOOP("texts", "サーバーのPASV応答にアドレスがありません: {reply}")};
inline constexpr Text kFtpNoExtendedPassivePort{
    QT_TRANSLATE_NOOP("texts", "サーバーのEPSV応答にポート番号がありません: {reply}")};
inline constexpr Text kFtpNoFolderInReply{
    QT_TRANSLATE_NOOP("texts", "サーバーのPWD応答にフォルダー名がありません: {reply}")};
inline constexpr Text kFtpLineBreakInCommand{
    QT_TRANSLATE_NOOP("texts", "FTPのコマンドに改行は使用できません。")};
inline constexpr Text kFtpInvalidHost{
    QT_TRANSLATE_NOOP("texts", "ホスト「{host}」の書き方が正しくありません。")};
inline constexpr Text kFtpInvalidPort{
    QT_TRANSLATE_NOOP("texts", "ホスト「{host}」のポート番号が正しくありません（1～65535）。")};
inline constexpr Text kFtpCannotResolve{
    QT_TRANSLATE_NOOP("texts", "ホスト名「{host}」を解決できません: {reason}")};
inline constexpr Text kFtpCannotConnect{QT_TRANSLATE_NOOP("texts", "{address}に接続できません: {reason}")};
inline constexpr Text kFtpConnectTimeout{
    QT_TRANSLATE_NOOP("texts", "{address}が{time}以内に接続に応じません。")};
inline constexpr Text kFtpSilent{QT_TRANSLATE_NOOP("texts", "{peer}が{time}応答しません。")};
inline constexpr Text kFtpNotTaking{QT_TRANSLATE_NOOP("texts", "{peer}が{time}データを受け取りません。")};
inline constexpr Text kFtpReplyTimeout{
    QT_TRANSLATE_NOOP("texts", "{peer}の応答が{time}以内に終わりません。")};
inline constexpr Text kFtpTransferTimeout{
    QT_TRANSLATE_NOOP("texts", "{peer}とのデータ転送が{time}以内に終わりません（{bytes}バイト転送済み）。")};
inline constexpr Text kFtpSendFailed{QT_TRANSLATE_NOOP("texts", "{peer}への送信に失敗しました: {reason}")};
inline constexpr Text kFtpReceiveFailed{
    QT_TRANSLATE_NOOP("texts", "{peer}からの受信に失敗しました: {reason}")};
inline constexpr Text kFtpWaitFailed{QT_TRANSLATE_NOOP("texts", "接続の待機に失敗しました: {reason}")};
inline constexpr Text kFtpStopUnavailable{
    QT_TRANSLATE_NOOP("texts", "中止の仕組みを用意できません: {reason}")};
inline constexpr Text kFtpCannotOpenFile{
    QT_TRANSLATE_NOOP("texts", "ファイル「{file}」を開けません: {reason}")};
inline constexpr Text kFtpNotARegularFile{
    QT_TRANSLATE_NOOP("texts", "「{file}」は通常のファイルではないため、アップロードできません。")};
inline constexpr Text kFtpCannotReadFile{
    QT_TRANSLATE_NOOP("texts", "ファイル「{file}」を読み込めません: {reason}")};
inline constexpr Text kFtpUnknownError{
    QT_TRANSLATE_NOOP("texts", "原因不明のエラーが発生しました。")};
inline constexpr Text kFtpMilliseconds{QT_TRANSLATE_NOOP("texts", "{count}ミリ秒")};
inline constexpr Text kFtpSeconds{QT_TRANSLATE_NOOP("texts", "{count}秒")};
inline constexpr Text kFtpMinutes{QT_TRANSLATE_NOOP("texts", "{count}分")};

// --- TLS (ftp/) ---
inline constexpr Text kTlsRefusedPlain{
    QT_TRANSLATE_NOOP("texts", "サーバーが TLS に対応していないため、暗号化せずに接続しました。")};
// The status bar's narrow first panel after such a walk.
inline constexpr Text kPlainConnection{QT_TRANSLATE_NOOP("texts", "平文")};
inline constexpr Text kPlainConnectionTip{QT_TRANSLATE_NOOP(
    "texts", "平文: 暗号化せずに接続しました。パスワードとファイル一覧は読み取られるおそれがあります。")};
inline constexpr Text kTlsConnected{
    QT_TRANSLATE_NOOP("texts", "TLS で接続しました（{protocol}）。")};
// The connection test's line on how the server lists folders.
inline constexpr Text kMlsdOffered{QT_TRANSLATE_NOOP(
    "texts",
    "MLSD 対応（更新日時は秒まで正確です。タイムゾーン・オフセットは書き出す時刻の時間帯にだけ"
    "使います。）")};
inline constexpr Text kMlsdNotOffered{QT_TRANSLATE_NOOP(
    "texts",
    "MLSD 非対応（LIST の時刻を使います。タイムゾーン・オフセットにはサーバーの時計のオフセットを"
    "設定してください。）")};
inline constexpr Text kTrustQuestion{QT_TRANSLATE_NOOP(
    "texts",
    "この証明書を、このホストについて信頼しますか？\r\n"
    "信頼すると、同じ証明書である限り次回から確認しません。証明書が変わった場合は、もう一度確認しま"
    "す。")};
inline constexpr Text kTrust{QT_TRANSLATE_NOOP("texts", "信頼する")};
inline constexpr Text kTlsCaption{QT_TRANSLATE_NOOP("texts", "暗号化")};
inline constexpr Text kConnectionsCaption{QT_TRANSLATE_NOOP("texts", "同時接続数")};
inline constexpr Text kConnectionsHint{
    QT_TRANSLATE_NOOP("texts", "並行して一覧を取得する接続の数（1: 一つの接続で順に）")};
inline constexpr Text kNotAFingerprint{
    QT_TRANSLATE_NOOP("texts", "--trust-fingerprint: SHA256: に続けて 32 "
                               "組の16進数をコロンで区切った指紋を指定してください。")};
inline constexpr std::array<Text, 3> kTlsItemCaptions = {
    Text{QT_TRANSLATE_NOOP("texts", "TLS を要求")},
    Text{QT_TRANSLATE_NOOP("texts", "TLS が使えれば使う")},
    Text{QT_TRANSLATE_NOOP("texts", "暗号化しない")}};
inline constexpr Text kTrustHint{QT_TRANSLATE_NOOP(
    "texts", "この証明書を信頼する場合: sitewright configure --trust-fingerprint {fingerprint}")};
inline constexpr Text kTlsRefused{
    QT_TRANSLATE_NOOP("texts", "サーバーが TLS（暗号化）での接続を受け付けません。TLS "
                               "を要求する設定のため、接続を中止しました。\r\n")};
inline constexpr Text kTlsHandshakeFailed{
    QT_TRANSLATE_NOOP("texts", "TLS の接続を確立できません: ")};
inline constexpr Text kTlsBroken{QT_TRANSLATE_NOOP("texts", "TLS の通信に失敗しました: ")};
inline constexpr Text kTlsCutShort{QT_TRANSLATE_NOOP(
    "texts",
    "TLS の終了通知がないまま接続が切れました。データが途中で切れている可能性があります。")};
inline constexpr Text kTlsNoCertificate{
    QT_TRANSLATE_NOOP("texts", "サーバーが証明書を提示しませんでした。")};
inline constexpr Text kCertificateExpired{
    QT_TRANSLATE_NOOP("texts", "証明書の有効期限が切れています。")};
inline constexpr Text kCertificateNotYetValid{
    QT_TRANSLATE_NOOP("texts", "証明書の有効期間がまだ始まっていません。")};
inline constexpr Text kCertificateSelfSigned{QT_TRANSLATE_NOOP(
    "texts", "自己署名の証明書です（信頼された認証局が発行したものではありません）。")};
inline constexpr Text kCertificateUnknownIssuer{
    QT_TRANSLATE_NOOP("texts", "証明書の発行者（認証局）を確認できません。")};
inline constexpr Text kCertificateWrongName{
    QT_TRANSLATE_NOOP("texts", "証明書は「{host}」のものではありません。")};
inline constexpr Text kCertificateWrongNameHint{QT_TRANSLATE_NOOP(
    "texts",
    "共用サーバーでは、お客様のドメインではなくサーバー自身の名前の証明書が使われることがよく"
    "あります。その場合は、FTPホストに証明書の名前を入力するか、この証明書を信頼してください。")};
inline constexpr Text kCertificateOther{QT_TRANSLATE_NOOP("texts", "証明書を検証できません: ")};
inline constexpr Text kCertificateUntrusted{
    QT_TRANSLATE_NOOP("texts", "サーバーの証明書を確認できません。")};
inline constexpr Text kCertificateSubject{QT_TRANSLATE_NOOP("texts", "発行先: ")};
inline constexpr Text kCertificateNames{QT_TRANSLATE_NOOP("texts", "対象の名前: ")};
inline constexpr Text kCertificateIssuer{QT_TRANSLATE_NOOP("texts", "発行者: ")};
inline constexpr Text kCertificateValidity{QT_TRANSLATE_NOOP("texts", "有効期間: ")};
inline constexpr Text kCertificateFingerprint{QT_TRANSLATE_NOOP("texts", "SHA-256 指紋: ")};

// --- Files and settings (app/, settings/) ---
inline constexpr Text kUnusableCharacter{
    QT_TRANSLATE_NOOP("texts", "制御文字など、アドレスに使用できない文字が含まれています。")};
inline constexpr Text kSiteUrlNotWeb{
    QT_TRANSLATE_NOOP("texts", "WEBサイトURLは http:// か https:// で始め、ホスト名を含めてください"
                               "（例: https://www.example.com）。")};
// A file error: one of these, a line break, then the system's reason. "{file}" is the path.
inline constexpr Text kCannotCreateTemporary{
    QT_TRANSLATE_NOOP("texts", "「{file}」を書き込むための一時ファイルを作成できません。")};
inline constexpr Text kCannotSetPermissions{
    QT_TRANSLATE_NOOP("texts", "「{file}」のアクセス権を設定できません。")};
inline constexpr Text kCannotWrite{QT_TRANSLATE_NOOP("texts", "「{file}」に書き込めません。")};
inline constexpr Text kCannotReplace{
    QT_TRANSLATE_NOOP("texts", "「{file}」を置き換えられません。")};
inline constexpr Text kCannotOpen{QT_TRANSLATE_NOOP("texts", "「{file}」を開けません。")};
inline constexpr Text kCannotRead{QT_TRANSLATE_NOOP("texts", "「{file}」を読み込めません。")};
inline constexpr Text kNoHomeFolder{QT_TRANSLATE_NOOP(
    "texts", "ホームフォルダーがわからず、設定の置き場所がありません（HOME が未設定です）。")};
inline constexpr Text kCannotCreateFolder{
    QT_TRANSLATE_NOOP("texts", "フォルダー「{file}」を作成できません。")};
inline constexpr Text kNotARegularFile{
    QT_TRANSLATE_NOOP("texts", "「{file}」は通常のファイルではありません。")};
inline constexpr Text kFileTooLarge{
    QT_TRANSLATE_NOOP("texts", "「{file}」は大きすぎます（上限 {limit} バイト）。")};
// "{line}" counts from 1; the cipher's own text follows on the next line.
inline constexpr Text kSettingsLineDamaged{
    QT_TRANSLATE_NOOP("texts", "設定ファイル「{file}」の{line}行目が壊れています。")};
inline constexpr Text kSettingsGarbled{QT_TRANSLATE_NOOP(
    "texts",
    "設定ファイル「{file}」の内容を読み取れません。別の鍵で暗号化されたか、壊れています。")};

// --- The walk (app/jobs/) ---
inline constexpr Text kConnecting{QT_TRANSLATE_NOOP("texts", "サーバー接続中")};
// Status panel 1 while several sessions list folders.
inline constexpr Text kWalkProgress{
    QT_TRANSLATE_NOOP("texts", "一覧済み {done}/{known} フォルダー（接続 {sessions}）")};
inline constexpr Text kRetrieving{QT_TRANSLATE_NOOP("texts", "取得中・・・")};
inline constexpr Text kRetrievalFinished{QT_TRANSLATE_NOOP("texts", "取得完了")};
inline constexpr Text kRetrievalStopped{QT_TRANSLATE_NOOP("texts", "取得中止")};
inline constexpr Text kRetrievalFailed{QT_TRANSLATE_NOOP("texts", "取得失敗")};
inline constexpr Text kBeingRetrieved{QT_TRANSLATE_NOOP("texts", "を取得中")};
inline constexpr Text kFolderMissing{QT_TRANSLATE_NOOP("texts", "フォルダーが存在しません。")};
inline constexpr Text kFolderDenied{QT_TRANSLATE_NOOP(
    "texts", "フォルダーを読む権限がないため、その中のページは一覧にありません。")};
inline constexpr Text kListCutShort{
    QT_TRANSLATE_NOOP("texts", "リストの取得が途中で終了しました。")};
inline constexpr Text kRobotsUnreadable{
    QT_TRANSLATE_NOOP("texts", "{file} を読み込めませんでした。サーバーの応答: {reply}")};
// After a folder's path; the reason follows on the next line.
inline constexpr Text kListingUnreadable{
    QT_TRANSLATE_NOOP("texts", "フォルダーの一覧を読み取れません。")};
inline constexpr Text kNoCurrentFolder{
    QT_TRANSLATE_NOOP("texts", "サーバーが現在のフォルダーを返しませんでした。")};
inline constexpr Text kRootBreaksCommand{
    QT_TRANSLATE_NOOP("texts", "サイトのルートフォルダーに改行文字またはNULが含まれています。")};
inline constexpr Text kListingShrank{
    QT_TRANSLATE_NOOP("texts", "フォルダー「{folder}」の一覧が、取得中に短くなりました。")};
// The first folder not entered follows on the next line.
inline constexpr Text kFoldersTooDeep{QT_TRANSLATE_NOOP(
    "texts",
    "サイトのルートから{depth}階層より深いフォルダー（{count}個）は取得しませんでした。最初の"
    "フォルダー:")};
inline constexpr Text kFoldersRepeated{QT_TRANSLATE_NOOP(
    "texts",
    "サーバーが上位のフォルダーと同じものと示したフォルダー（{count}個）には入りませんでした。最初"
    "のフォルダー:")};
inline constexpr Text kMlsdRefused{QT_TRANSLATE_NOOP(
    "texts",
    "サーバーが一部の接続でMLSDを拒否したため、{list}個のフォルダーをLISTで一覧しました（MLSDでは"
    "{mlsd}個）。それらのページの更新日時は、サーバーの時計による分単位のものです。")};
inline constexpr Text kTooManyFolders{
    QT_TRANSLATE_NOOP("texts", "フォルダー数が上限（{limit}）に達しました。")};
inline constexpr Text kTooManyRows{
    QT_TRANSLATE_NOOP("texts", "ファイル数が上限（{limit}）に達しました。")};
// A row of the work table asked for by a number it does not have.
inline constexpr Text kListIndexOutOfRange{
    QT_TRANSLATE_NOOP("texts", "リスト インデックスが範囲を超えています ({index})")};

// --- The sitemap and its upload (sitemap/) ---
inline constexpr Text kNoSitemap{
    QT_TRANSLATE_NOOP("texts", "サイトマップがまだ作成されていません。")};
inline constexpr Text kUploaded{QT_TRANSLATE_NOOP("texts", "サイトマップをアップロードしました。")};
inline constexpr Text kUploadFailed{
    QT_TRANSLATE_NOOP("texts", "サイトマップのアップロードに失敗しました。")};
inline constexpr Text kUploadConfirm{
    QT_TRANSLATE_NOOP("texts", "サイトマップをアップロードします。")};
inline constexpr Text kEmptySitemapConfirm{QT_TRANSLATE_NOOP(
    "texts",
    "サイトマップにURLがひとつもありません。\r\nサーバーのサイトマップを、URLのないサイトマップで"
    "置き換えますか？")};
inline constexpr Text kEmptySitemapRefused{
    QT_TRANSLATE_NOOP("texts", "サイトマップにURLがひとつもないため、アップロードしません。")};
// The shrink check before an upload.
inline constexpr Text kShrinkFewer{QT_TRANSLATE_NOOP(
    "texts", "新しいサイトマップの URL は {new} 件で、サーバーのサイトマップ（{published} 件）の"
             "半分に足りません。")};
inline constexpr Text kShrinkIncomplete{QT_TRANSLATE_NOOP(
    "texts", "新しいサイトマップ（{new} 件）は、中止または失敗した取得の一覧から作られています。"
             "サーバーのサイトマップは {published} 件です。")};
inline constexpr Text kShrinkQuestion{
    QT_TRANSLATE_NOOP("texts", "それでもサーバーのサイトマップを置き換えますか？")};
inline constexpr Text kAllowShrinkHint{
    QT_TRANSLATE_NOOP("texts", "それでも置き換えるには --allow-shrink を付けてください。")};
inline constexpr Text kRenameRefused{QT_TRANSLATE_NOOP(
    "texts", "サーバーが sitemap.xml の上書きの名前変更を受け付けないため、直接上書きしました。")};
inline constexpr Text kFolderBusy{QT_TRANSLATE_NOOP(
    "texts", "別の Site Wright が「{folder}」でサイトマップを作成またはアップロードしています。"
             "終わってからやり直してください。")};
inline constexpr Text kNoRowsSitemapKept{QT_TRANSLATE_NOOP(
    "texts", "ページがひとつも見つからなかったため、以前のサイトマップ「{file}」を残しました。")};
inline constexpr Text kNoRowsReplaceQuestion{QT_TRANSLATE_NOOP(
    "texts", "一覧にチェックされたページがありません。\r\n以前のサイトマップを、URLのない"
             "サイトマップで置き換えますか？")};
inline constexpr Text kListIncomplete{
    QT_TRANSLATE_NOOP("texts", "一覧は不完全です（取得が中止または失敗しました）")};
// Before the reason: a part named by the index that cannot be uploaded.
inline constexpr Text kPartNotUploadable{QT_TRANSLATE_NOOP(
    "texts", "サイトマップインデックスにあるファイル「{file}」をアップロードできません。")};

// --- The site memory (memory/) ---
inline constexpr Text kMemoryDamaged{QT_TRANSLATE_NOOP(
    "texts", "サイトの記憶「{file}」が壊れていたため、「{aside}」に移して新しい記憶を始めました。"
             "これまでに記憶したチェックの有無、更新頻度と優先度は使われません。")};
// The reason follows on the next line.
inline constexpr Text kMemoryUnavailable{
    QT_TRANSLATE_NOOP("texts", "サイトの記憶「{file}」を使えません。記憶なしで続けます。")};
inline constexpr Text kMemoryLocked{QT_TRANSLATE_NOOP(
    "texts", "サイトの記憶は別のプログラムが使用中です。しばらくしてからやり直してください。")};
inline constexpr Text kMemoryLockedQuestion{QT_TRANSLATE_NOOP(
    "texts", "サイトの記憶は別のプログラムが使用中です。記憶なしでは、チェックを外したページも"
             "チェックされます。もう一度試しますか？")};
inline constexpr Text kRetry{QT_TRANSLATE_NOOP("texts", "再試行")};
inline constexpr Text kNewRows{QT_TRANSLATE_NOOP("texts", "新しいページ {count}件")};
inline constexpr Text kForgetMissingQuestion{QT_TRANSLATE_NOOP(
    "texts", "記憶しているページのうち {count}件がサーバーにありません。\r\n{pages}\r\n"
             "記憶から削除しますか？（削除しない場合、同じページについては再び尋ねません）")};
inline constexpr Text kMorePages{QT_TRANSLATE_NOOP("texts", "ほか {count}件")};
inline constexpr Text kResetMemoryQuestion{QT_TRANSLATE_NOOP(
    "texts",
    "サイト「{site}」について記憶している、チェックを外したページと変更した更新頻度・優先度を"
    "すべて消去します。")};
inline constexpr Text kForget{QT_TRANSLATE_NOOP("texts", "削除")};
inline constexpr Text kErase{QT_TRANSLATE_NOOP("texts", "消去")};
// After kMemoryErased in the window, whose table had choices from the memory.
inline constexpr Text kTableChoicesReset{QT_TRANSLATE_NOOP(
    "texts", "一覧のページはすべてチェックされ、更新頻度と優先度はデフォルトに戻りました。")};
inline constexpr Text kMemoryApplied{QT_TRANSLATE_NOOP(
    "texts", "記憶した選択: チェックを外したページ {unticked}件、更新頻度・優先度を変えたページ "
             "{edited}件、新しいページ {fresh}件、サーバーにないページ {missing}件")};
inline constexpr Text kMissingHint{QT_TRANSLATE_NOOP(
    "texts", "サーバーにないページを記憶から削除するには: sitewright forget --missing")};
inline constexpr Text kMissingForgotten{
    QT_TRANSLATE_NOOP("texts", "サーバーにないページ {count}件を記憶から削除しました。")};
inline constexpr Text kMissingNeedsWholeWalk{QT_TRANSLATE_NOOP(
    "texts", "サーバーのフォルダーを最後までたどれなかったため、記憶から何も削除しませんでした。")};
inline constexpr Text kMemoryErased{
    QT_TRANSLATE_NOOP("texts", "サイト「{site}」の記憶 {count}件を消去しました。")};
inline constexpr Text kMemoryListed{
    QT_TRANSLATE_NOOP("texts", "サイト「{site}」の記憶した選択 {count}件")};
inline constexpr Text kMemoryVerb{
    QT_TRANSLATE_NOOP("texts", "memory には list か reset を指定してください。")};
inline constexpr Text kForgetNeedsMissing{
    QT_TRANSLATE_NOOP("texts", "forget には --missing を指定してください。")};
inline constexpr Text kUnticked{QT_TRANSLATE_NOOP("texts", "外す")};

// --- The command line (cli/) ---
inline constexpr Text kSettingsSaved{QT_TRANSLATE_NOOP("texts", "設定を保存しました: {folder}")};
inline constexpr Text kSitemapWritten{
    QT_TRANSLATE_NOOP("texts", "サイトマップを作成しました: {file}")};
inline constexpr Text kSitemapSplit{QT_TRANSLATE_NOOP(
    "texts", "URL数 {urls} 件を {parts} ファイルに分け、{file} をそのインデックスにしました。")};
inline constexpr Text kNoSitemapWritten{
    QT_TRANSLATE_NOOP("texts", "サイトマップは作成しませんでした。")};
inline constexpr Text kSummary{QT_TRANSLATE_NOOP(
    "texts",
    "取得件数 {rows}、フォルダー数 {folders}、入れなかったフォルダー {refused}、"
    "一覧を読み取れなかったフォルダー {unreadable}、深すぎて入らなかったフォルダー {deep}、"
    "除外パスで除いたもの {excluded}、robots.txtで除いたもの {robots}、所要時間 {seconds} "
    "秒、コマンド数 {commands}{listing}")};
// The summary's "{listing}" when a folder was listed: how the server listed it.
inline constexpr Text kSummaryMlsd{QT_TRANSLATE_NOOP("texts", "、一覧 MLSD")};
inline constexpr Text kSummaryList{QT_TRANSLATE_NOOP("texts", "、一覧 LIST")};
inline constexpr Text kSummarySftp{QT_TRANSLATE_NOOP("texts", "、一覧 SFTP")};
inline constexpr Text kSummaryMixed{
    QT_TRANSLATE_NOOP("texts", "、一覧 MLSD {mlsd}個・LIST {list}個")};
// Added to the summary when there are any.
inline constexpr Text kSummaryRepeated{
    QT_TRANSLATE_NOOP("texts", "、上位と同じため入らなかったフォルダー {count}")};
inline constexpr Text kSummaryUndated{QT_TRANSLATE_NOOP("texts", "、更新日時のないページ {count}")};
inline constexpr Text kProgress{
    QT_TRANSLATE_NOOP("texts", "フォルダー {folders}、ファイル {files}: ")};
inline constexpr Text kParallelProgress{QT_TRANSLATE_NOOP(
    "texts",
    "フォルダー {folders}（一覧済み {done}/{known}、接続 {sessions}）、ファイル {files}: ")};
inline constexpr Text kWarning{QT_TRANSLATE_NOOP("texts", "警告: ")};
inline constexpr Text kEmptyValue{QT_TRANSLATE_NOOP("texts", "（空）")};
inline constexpr Text kNoHost{QT_TRANSLATE_NOOP(
    "texts",
    "FTPのホスト名が設定されていません。sitewright configure --host で設定してください。")};
inline constexpr Text kLocalFolderMissing{
    QT_TRANSLATE_NOOP("texts", "フォルダー「{folder}」が存在しません。")};
inline constexpr Text kUrlEndsInSlash{QT_TRANSLATE_NOOP(
    "texts", "WEBサイトURLが「/」で終わっています。すべてのURLに「//」が含まれます。")};
// Mistakes on the command line; each is followed by kSeeHelp.
inline constexpr Text kSeeHelp{
    QT_TRANSLATE_NOOP("texts", "（sitewright {command} --help を参照）")};
inline constexpr Text kUnknownCommand{QT_TRANSLATE_NOOP(
    "texts",
    "そのようなコマンドはありません。コマンドは configure、show、generate、upload、forget、"
    "memory です"
    "（sitewright --help を参照）。")};
inline constexpr Text kUnexpectedArgument{QT_TRANSLATE_NOOP(
    "texts", "{position}番目の引数はオプションではありません（オプションは「--」で始まります）。")};
inline constexpr Text kUnknownOption{
    QT_TRANSLATE_NOOP("texts", "オプション --{option} はありません。")};
inline constexpr Text kOptionTakesNoValue{
    QT_TRANSLATE_NOOP("texts", "オプション --{option} に値は指定できません。")};
inline constexpr Text kOptionNeedsValue{
    QT_TRANSLATE_NOOP("texts", "オプション --{option} には値が必要です。")};
inline constexpr Text kDirNeedsFolder{
    QT_TRANSLATE_NOOP("texts", "オプション --dir にはフォルダーを指定してください。")};
inline constexpr Text kUnusableCharacterIn{
    QT_TRANSLATE_NOOP("texts", "{what}に、制御文字など使用できない文字が含まれています。")};
inline constexpr Text kPasswordWord{QT_TRANSLATE_NOOP("texts", "パスワード")};
inline constexpr Text kRootNeedsSlash{QT_TRANSLATE_NOOP(
    "texts", "--root は「/」で始めてください（空にするとログイン時のフォルダーになります）。")};
inline constexpr Text kItemsOnly{
    QT_TRANSLATE_NOOP("texts", "--{option} には次のいずれかを指定してください: {items}")};
inline constexpr Text kOffsetForm{QT_TRANSLATE_NOOP(
    "texts", "--offset は符号、時（00〜23）、「:」、分（00〜59）で指定してください（例: "
             "+09:00、-05:30）。")};
inline constexpr Text kNoPasswordLine{QT_TRANSLATE_NOOP(
    "texts", "--password-stdin: 標準入力に行がありません（空のパスワードは空行で指定します）。")};
inline constexpr Text kPositiveNumber{
    QT_TRANSLATE_NOOP("texts", "--{option} には1以上の整数を指定してください。")};
inline constexpr Text kJsonOrQuiet{
    QT_TRANSLATE_NOOP("texts", "--json と --quiet は同時に指定できません。")};
// stdout could not take the result (a full disk, a closed pipe).
inline constexpr Text kCannotWriteOutput{
    QT_TRANSLATE_NOOP("texts", "結果を標準出力に書き込めませんでした。")};

// The command line's help, one text for the whole and one per command.
inline constexpr Text kTopUsage{QT_TRANSLATE_NOOP("texts", R"(使い方: sitewright <command> [options]
        sitewright --help | --version

FTP サーバー上のファイルから、WEB サイトの sitemap.xml を作成します。

コマンド:
  configure   保存されているサイトの設定を変更します
  show        保存されているサイトの設定を表示します（パスワードは伏せ字）
  generate    サーバーのフォルダーをたどって sitemap.xml を作成します。--upload
              を付けるとアップロードもします
  upload      作成済みの sitemap.xml をサイトのルートフォルダーへアップロー
              ドします
  notify      前回の通知から変わったページを IndexNow で検索エンジンに通知し
              ます
  check       フォルダーをたどり、各ページを検索エンジンが登録するか確認します
  forget      サーバーにないページを、サイトの記憶から削除します（--missing）
  memory      サイトの記憶（チェックを外したページ、変更した更新頻度と優先度）
              を表示（list）または消去（reset）します

どのコマンドも --dir DIR（設定ファイルと sitemap.xml を置くフォルダー。
省略時はプログラムフォルダー）を受け付けます。configure 以外のコマンドではその
フォルダーが存在している必要があり、configure は必要なら作成します。
各コマンドのオプションは "sitewright <command> --help" で表示されます。
メッセージと結果はウィンドウと同じ言語で表示されます。

終了ステータス: 0 成功、1 失敗（理由は標準エラー出力）、2 コマンドラインの誤り
（「;」を含む WEB サイトのアドレスなど、設定に保存できない値を含む）
)")};

inline constexpr Text kConfigureUsage{
    QT_TRANSLATE_NOOP("texts", R"(使い方: sitewright configure [--dir DIR] [--url URL] [--host HOST]
                            [--user USER] [--password-stdin] [--root PATH]
                            [--changefreq F] [--priority P] [--offset +HH:MM]
                            [--tls required|auto|off] [--trust-fingerprint FP]
                            [--connections N] [--protocol 0.84|0.9]
                            [--gzip on|off] [--exclude PATTERN]...
                            [--robots on|off] [--folder-addresses on|off]
                            [--index-names LIST] [--transport ftp|sftp]
                            [--key-file PATH] [--trust-host-key FP]
                            [--indexnow on|off] [--indexnow-endpoint URL]
                            [--check-pages on|off]
                            [--check-connections N] [--stable-lastmod on|off]

指定した設定を変更し、二つの設定ファイル（暗号化、所有者のみ読み取り可）
を保存します。指定しない設定は元の値のままです。

  --dir DIR          設定ファイルのフォルダー（省略時: プログラムフォルダー）
  --url URL          WEB サイトのアドレス。最後の "/" は不要です
                     （例: https://www.example.com）。「;」と制御文字は使用で
                     きません（終了ステータス 2）
  --host HOST        FTP のホスト名またはアドレス。HOST:PORT でポートも指定
                     できます
  --user USER        FTP のユーザー名
  --password-stdin   FTP のパスワードを標準入力の1行目から読み取ります
                     （パスワードそのものを受け取るオプションはありません）
  --root PATH        FTP サーバー上のサイトのルートフォルダー。"/" で始めます
                     （例: /public_html）。空にするとログイン直後のフォル
                     ダーです
  --changefreq F     更新頻度の既定値: always, hourly, daily, weekly, monthly,
                     yearly, never
  --priority P       優先度の既定値: 0.0, 0.1, ... 1.0
  --offset +HH:MM    すべての更新日時に付けるタイムゾーン・オフセット
                     （例: +09:00, -05:30）。LIST で一覧するサーバーでは、
                     サーバーの時計のオフセットを指定します。MLSD
                     に対応したサーバーの時刻は UTC で正確なため、
                     書き出す時刻の時間帯を選ぶだけです
  --tls MODE         接続の暗号化: required（TLS を要求。TLS でなければログイン
                     しません）、auto（TLS が使えれば使う。既定値）、off
                     （暗号化しない）
  --trust-fingerprint FP
                     検証できないサーバー証明書を、この SHA-256 指紋
                     （SHA256:AB:CD:...）のものに限り、このホストについて信頼
                     します。指紋は証明書が拒否されたときのエラーに表示さ
                     れます。別の証明書は再び拒否されます
  --connections N    フォルダーの一覧を取得する同時接続数: 1〜8（既定値 4）。2
                     以上では各フォルダーをパスで一度だけ一覧します。
                     サーバーが追加の接続を断ったときは、ある接続だけで続けます
  --protocol 0.84|0.9
                     サイトマップ形式: 0.84（Google Sitemap 0.84。既定値）、
                     0.9（sitemaps.org 0.9）
  --gzip on|off      URL 数 50,000 件または 50 MiB を超えて分割したファイルを
                     gzip で圧縮します（sitemap-N.xml.gz）。既定値は off
  --exclude PATTERN  除外するパス。サイトのルートからのパスのパターン
                     （例: /drafts/、*/admin/*、*.bak.html、/private*）。「*」
                     は任意の文字列、最後の「$」はパスの終わりです。
                     繰り返し指定でき、コンマでも区切れます。指定したものが保存
                     済みの一覧に代わります（"" で空）。一致するフォルダーは一
                     覧を取得しません
  --robots on|off    サイトのルートの robots.txt が禁止するパスを除きます
                     （既定値 on）
  --folder-addresses on|off
                     フォルダーのインデックスページを「…/news/」のように
                     フォルダーのアドレスで書きます（既定値 off）
  --index-names LIST インデックスページの名前。コンマ区切り
                     （既定値: index.html,index.htm,index.php）
  --transport ftp|sftp
                     接続方式（既定値 ftp）。sftp では HOST のポートの既定値は
                     22 で、--tls は使いません
  --key-file PATH    SFTP でログインに使う秘密鍵のファイル（"" で使わない）。
                     鍵ファイルがなければパスワード、パスワードもなければ SSH
                     エージェント（SSH_AUTH_SOCK）でログインします
  --trust-host-key FP
                     SFTP サーバーのホスト鍵を、この SHA-256 指紋
                     （SHA256:...）のものに限り、このホストについて信頼します。
                     ~/.ssh/known_hosts にある鍵は指定しなくても信頼します
  --indexnow on|off  アップロードの後、変わったページのアドレスを IndexNow で
                     送ります（既定値 off。アドレスを外部に送ります）。初めて
                     on にしたときにキーを作ります
  --indexnow-endpoint URL
                     IndexNow の送り先（"" で共有の送り先
                     https://api.indexnow.org/indexnow）
  --check-pages on|off
                     取得の後に各ページを WEB サーバーに尋ね、検索エンジンが登
                     録しないページを除きます（既定値 off）
  --check-connections N
                     同時に確認するページ数: 1〜16（既定値 4）
  --stable-lastmod on|off
                     内容が変わったときだけ更新日時を進めます（既定値 on）
  -h, --help         このヘルプを表示します
)")};

inline constexpr Text kShowUsage{QT_TRANSLATE_NOOP("texts", R"(使い方: sitewright show [--dir DIR] [--quiet | --json]

保存されている設定を表示します。パスワードは伏せ字、制御文字は %XX
で表示します。config_v1.dat を復号した結果がこのプログラムの書いたものではあり
得ない場合（別の鍵、破損）は失敗します（終了ステータス 1）。

  --dir DIR    設定ファイルのフォルダー（省略時: プログラムフォルダー）
  --quiet      設定を表示せず、読み取れるかどうかだけを終了ステータスで示します
  --json       設定を一つの JSON オブジェクトで表示します（キーは sitewright(1)
               を参照）
  -h, --help   このヘルプを表示します
)")};

inline constexpr Text kGenerateUsage{
    QT_TRANSLATE_NOOP("texts", R"(使い方: sitewright generate [--dir DIR] [--ext LIST] [--upload]
                           [--max-folders N] [--max-rows N] [--allow-shrink]
                           [--passphrase-stdin] [--robots-sitemap-line add]
                           [--quiet | --json]

FTP サーバーにログインし、サイトのルートフォルダーとその下のすべてのフォルダー
をたどって、拡張子が LIST にあるファイルごとに更新日時、更新頻度と優先度の既定
値を付けた URL を DIR/sitemap.xml に書きます。ウィンドウでチェックを外したペー
ジは書かず、ウィンドウで変えた更新頻度と優先度はそのまま使います
（DIR/site_memory.db のサイトの記憶。ウィンドウと同じサイトマップになります）。
入れないフォルダー、一覧を読み取れないフォルダー、64 階層より深いフォルダーは標
準エラー出力に表示して除きます。Ctrl-C（または SIGTERM）でただちに中止します。
中止したとき、失敗したとき、上限に達したときはサイトマップを書かず、以前の
sitemap.xml はそのまま残ります。除外するパスと robots.txt が禁止するパスは除
きます。URL 数 50,000 件または 50 MiB を超えるときは sitemap-<日時>-1.xml、…
に分け、sitemap.xml をそのインデックスにします。同じフォルダーで同時に動く
generate は一つだけです。「公開ページを確認する」設定のときは、検索エンジンが
登録しないページを理由とともに標準エラー出力に表示して除きます。

  --dir DIR          設定ファイルと sitemap.xml のフォルダー
                     （省略時: プログラムフォルダー）
  --ext LIST         取得するファイルの拡張子。コンマ区切り
                     （省略時: .htm,.html,.php,.cgi）
  --upload           続けて sitemap.xml をサイトのルートフォルダーへアップロー
                     ドします。ファイルが一つも見つからなかった場合は何も
                     書かず、アップロードもしません（終了ステータス 1）
  --allow-shrink     サーバーのサイトマップの半分に満たない URL
                     数でもアップロードします
  --robots-sitemap-line add
                     アップロードの後、upload と同じく robots.txt に
                     Sitemap: 行を加えます
  --max-folders N    N を超えるフォルダーに入ろうとしたら失敗として終了します
                     （省略時: 100000）
  --max-rows N       N を超えるファイルが見つかったら失敗として終了します
                     （省略時: 1000000）
  --passphrase-stdin SFTP の鍵ファイルのパスフレーズを標準入力の1行目から読み
                     取ります（保存しません）
  --quiet            最後の集計の1行だけを表示します（警告と失敗は標準エラー出
                     力に表示します）
  --json             結果（件数、書いたファイル、アップロード、問題）を一つの
                     JSON オブジェクトで表示します。失敗の理由は標準エラー出力
                     にも表示します（キーは sitewright(1) を参照）
  -h, --help         このヘルプを表示します
)")};

inline constexpr Text kUploadUsage{
    QT_TRANSLATE_NOOP("texts", R"(使い方: sitewright upload [--dir DIR] [--allow-shrink] [--passphrase-stdin]
                         [--robots-sitemap-line add]

DIR/sitemap.xml を sitemap.xml として FTP サーバーのサイトのルートフォルダー
（ルートフォルダーが空の場合はログイン直後のフォルダー）へアップロードします。
sitemap.xml がインデックスのときは、そこにあるファイルを先に、sitemap.xml
を最後にアップロードします。URL を一つも含まないサイトマップは、
サーバーのものを空にしてしまうためアップロードしません（終了ステータス 1）。
サーバーの sitemap.xml の半分に満たない URL 数のサイトマップ、中止または失敗し
た取得から作ったサイトマップも、--allow-shrink がなければアップロードしません
（終了ステータス 1）。
アップロードの後、サイトのルートの robots.txt にサイトマップのアドレスを書いた
Sitemap: 行があるかを確かめ、なければその行を表示します。この行は主な検索エン
ジンがすべて読みます。IndexNow が on なら、続けて notify と同じ通知をします。

  --dir DIR       設定ファイルと sitemap.xml のフォルダー
                  （省略時: プログラムフォルダー）
  --allow-shrink  それでもアップロードします
  --passphrase-stdin
                  SFTP の鍵ファイルのパスフレーズを標準入力の1行目から読み
                  取ります（保存しません）
  --robots-sitemap-line add
                  robots.txt に Sitemap: 行を加えます。ほかのバイトはそのまま
                  残し、ファイルがなければ作ります
  -h, --help      このヘルプを表示します
)")};

inline constexpr Text kNotifyUsage{
    QT_TRANSLATE_NOOP("texts", R"(使い方: sitewright notify [--dir DIR] [--json]

DIR/sitemap.xml のページのうち、前回の通知から加わった、更新日時（lastmod）が
変わった、またはなくなったページのアドレスを、IndexNow の送り先へ 10,000 件ず
つ送ります。IndexNow は参加している検索エンジンだけが読みます（すべての検索エン
ジンではありません）。configure --indexnow on で使えるようになります。
初めての通知では、キーファイル <キー>.txt を FTP でサイトのルートフォルダーに置
き、WEB サイトのアドレスから読めることを確かめるだけで、アドレスは送りません
（残りはサイトマップが伝えます）。受け付けられたアドレスだけを通知済みとして
サイトの記憶（DIR/site_memory.db）に記録し、残りは次回送ります。429（要求が多
すぎる）には待って何回か送り直します。失敗したときは終了ステータス 1 です。

  --dir DIR   設定ファイルと sitemap.xml のフォルダー
              （省略時: プログラムフォルダー）
  --json      結果を一つの JSON オブジェクトで表示します
  -h, --help  このヘルプを表示します
)")};

inline constexpr Text kForgetUsage{
    QT_TRANSLATE_NOOP("texts", R"(使い方: sitewright forget --missing [--dir DIR] [--ext LIST]
                          [--passphrase-stdin]

generate と同じようにサーバーのフォルダーをたどり、サイトの記憶
（DIR/site_memory.db）にあってサーバーにないページを記憶から削除します。
たどれないフォルダーがあった場合は、そこにあるページまで削除しないよう、
何も削除せずに失敗します（終了ステータス 1）。

  --missing    サーバーにないページを削除します（必須）
  --dir DIR    設定ファイルとサイトの記憶のフォルダー（省略時: プログラムフォ
               ルダー）
  --ext LIST   取得するファイルの拡張子。コンマ区切り（generate の --ext
               と同じ）
  --passphrase-stdin
               SFTP の鍵ファイルのパスフレーズを標準入力の1行目から読み
               取ります（保存しません）
  -h, --help   このヘルプを表示します
)")};

inline constexpr Text kMemoryUsage{
    QT_TRANSLATE_NOOP("texts", R"(使い方: sitewright memory list|reset [--dir DIR]

サイトの記憶を扱います。ウィンドウでチェックを外したページと、行の編集で変えた
更新頻度と優先度は、設定の WEB サイト URL ごとに DIR/site_memory.db
に記憶され、次のファイルリストの取得と sitewright generate に使われます。

  list         設定のサイトについて記憶している選択を、1行に1ページ表示します:
               設定日時（UTC）、チェックを外したか（外す / -）、更新頻度、
               優先度、アドレス（既定値のままのものは -）
  reset        設定のサイトの記憶をすべて消去します
  --dir DIR    設定ファイルとサイトの記憶のフォルダー（省略時: プログラムフォ
               ルダー）
  -h, --help   このヘルプを表示します
)")};

// --- The windows (app/window/, settings/dialog/) ---
inline constexpr Text kApplicationTitle{QT_TRANSLATE_NOOP("texts", "SITE WRIGHT Google Sitemap編")};
inline constexpr Text kOkButton{
    QT_TRANSLATE_NOOP("texts", "実 行")}; // the dialogs' confirming button
inline constexpr Text kStop{QT_TRANSLATE_NOOP("texts", "中止")};

// The main window.
inline constexpr Text kMainWindowTitle{QT_TRANSLATE_NOOP("texts", "SITE WRIGHT -Google Sitemap-")};
inline constexpr Text kProductName{QT_TRANSLATE_NOOP("texts", "SITE WRIGHT -Google Sitemap-β")};
inline constexpr Text kMakerName{QT_TRANSLATE_NOOP("texts", "Quorvane")};
inline constexpr Text kSitemapTitle{QT_TRANSLATE_NOOP("texts", "Google Sitemap作成")};
inline constexpr Text kFileCount{QT_TRANSLATE_NOOP("texts", "ファイル数:")};
inline constexpr Text kSelectedCount{QT_TRANSLATE_NOOP("texts", "選択数:")};
inline constexpr Text kWorkTableTab{QT_TRANSLATE_NOOP("texts", "作業テーブル")};
inline constexpr Text kCloseButton{QT_TRANSLATE_NOOP("texts", "終　了")};
inline constexpr Text kWebConnection{QT_TRANSLATE_NOOP("texts", "WEB接続")};
inline constexpr Text kCannotWriteGeometry{
    QT_TRANSLATE_NOOP("texts", "{file} に書き込めません")};
inline constexpr Text kReleaseVersion{
    QT_TRANSLATE_NOOP("texts", "Release Version Beta0.02\r\n2006/12/06A\r\nQuorvane")};
inline constexpr Text kHeaderVersion{
    QT_TRANSLATE_NOOP("texts", "Release Version Beta\r\n2006/12/02A\r\nQuorvane")};
// The line both version boxes add below their texts: the version this program was built as.
inline constexpr Text kBuildVersion{QT_TRANSLATE_NOOP("texts", "プログラムのバージョン: {version}")};
// The label before a version box's release text, which stands on one line after it.
inline constexpr Text kReleaseLabel{QT_TRANSLATE_NOOP("texts", "リリース表記: ")};
// site_wright --help, on the terminal.
inline constexpr Text kWindowUsage{
    QT_TRANSLATE_NOOP("texts", R"(使い方: site_wright [--help | --version]

FTP サーバー上のファイルから WEB サイトの sitemap.xml を作成するウィンドウを開
きます。スクリプトやタイマーからはコマンドライン sitewright を使います
（sitewright --help）。
)")};
// The help item when the manual is not where the program was installed with it.
inline constexpr Text kManualMissing{
    QT_TRANSLATE_NOOP("texts", "マニュアル「{file}」が見つかりません。")};
inline constexpr Text kDiscardList{QT_TRANSLATE_NOOP(
    "texts", "現在のリストを破棄し、サーバーからファイル一覧を取得し直します。"
             "（サイトマップは「サイトマップを作成」で書き出すまで変わりません）")};
// When no browser could be opened for a file the program wrote or for a web address.
inline constexpr Text kNoBrowserForFile{QT_TRANSLATE_NOOP(
    "texts", "ブラウザを開けませんでした。ファイルは次の場所にあります:\r\n{file}")};
inline constexpr Text kNoBrowserForAddress{QT_TRANSLATE_NOOP(
    "texts", "ブラウザを開けませんでした。次のアドレスをブラウザで開いてください:\r\n{address}")};
// The settings dialog's pages.
inline constexpr Text kSettingsConnectionTab{QT_TRANSLATE_NOOP("texts", "サイトと接続")};
inline constexpr Text kSettingsSiteTab{QT_TRANSLATE_NOOP("texts", "取得するファイル")};
inline constexpr Text kSettingsSitemapTab{QT_TRANSLATE_NOOP("texts", "サイトマップ")};
// The tooltip of the dot that marks a row new to the site memory.
inline constexpr Text kNewPageTip{
    QT_TRANSLATE_NOOP("texts", "新しいページ（サイトの記憶にまだないページ）")};
inline constexpr Text kUploadQuestion{
    QT_TRANSLATE_NOOP("texts", "サイトマップをアップロードします。")};
inline constexpr Text kTestingConnection{QT_TRANSLATE_NOOP("texts", "サーバーに接続しています。")};
inline constexpr Text kUploading{
    QT_TRANSLATE_NOOP("texts", "サイトマップをアップロードしています。")};
inline constexpr Text kChangefreqLabel{QT_TRANSLATE_NOOP("texts", "changefreq:")};
inline constexpr Text kPriorityLabel{QT_TRANSLATE_NOOP("texts", "priority:")};

// The main window's menus.
inline constexpr Text kMenuFile{QT_TRANSLATE_NOOP("texts", "ファイル(&F)")};
inline constexpr Text kMenuConnectionTest{QT_TRANSLATE_NOOP("texts", "サーバー接続テスト")};
inline constexpr Text kMenuReleaseVersion{QT_TRANSLATE_NOOP("texts", "リリースバージョン")};
inline constexpr Text kMenuQuit{QT_TRANSLATE_NOOP("texts", "終了")};
inline constexpr Text kMenuSitemap{QT_TRANSLATE_NOOP("texts", "サイトマップ(&W)")};
inline constexpr Text kMenuGetFileList{
    QT_TRANSLATE_NOOP("texts", "サーバー内のファイルリストを取得")};
inline constexpr Text kMenuCreateSitemap{QT_TRANSLATE_NOOP("texts", "サイトマップを作成")};
inline constexpr Text kMenuViewLocal{
    QT_TRANSLATE_NOOP("texts", "サイトマップをブラウザで確認(LOCAL)")};
inline constexpr Text kMenuUpload{QT_TRANSLATE_NOOP("texts", "アップロード")};
inline constexpr Text kMenuViewWeb{QT_TRANSLATE_NOOP("texts", "サイトマップをブラウザで確認(WEB)")};
inline constexpr Text kMenuNotifyGoogle{QT_TRANSLATE_NOOP("texts", "検索エンジンに通知する")};
inline constexpr Text kMenuEdit{QT_TRANSLATE_NOOP("texts", "編 集(&E)")};
inline constexpr Text kMenuSelectAll{QT_TRANSLATE_NOOP("texts", "全て選択")};
inline constexpr Text kMenuSelectNone{QT_TRANSLATE_NOOP("texts", "全選択解除")};
inline constexpr Text kMenuResetMemory{QT_TRANSLATE_NOOP("texts", "このサイトの記憶を消去")};
inline constexpr Text kMenuRanking{QT_TRANSLATE_NOOP("texts", "検索順位分析(&A)")};
inline constexpr Text kMenuDailyResults{QT_TRANSLATE_NOOP("texts", "日別検索結果")};
inline constexpr Text kMenuSiteTools{QT_TRANSLATE_NOOP("texts", "サイトツール(&T)")};
inline constexpr Text kMenuPing{QT_TRANSLATE_NOOP("texts", "PING")};
inline constexpr Text kMenuMarketing{QT_TRANSLATE_NOOP("texts", "マーケティング(&M)")};
inline constexpr Text kMenuAnalytics{QT_TRANSLATE_NOOP("texts", "Google Analytics分析(&G)")};
inline constexpr Text kMenuInformation{QT_TRANSLATE_NOOP("texts", "Information(&I)")};
inline constexpr Text kMenuManual{QT_TRANSLATE_NOOP("texts", "オンラインヘルプ-取扱説明書-")};
inline constexpr Text kMenuMakerPage{QT_TRANSLATE_NOOP("texts", "Quorvaneのページ")};
inline constexpr Text kMenuInquiry{QT_TRANSLATE_NOOP("texts", "問い合わせメールを送る")};
inline constexpr Text kMenuProductPage{
    QT_TRANSLATE_NOOP("texts", "SITE WRIGHT-Google Sitemap編-のページ")};
inline constexpr Text kMenuGoogle{QT_TRANSLATE_NOOP("texts", "Google")};
inline constexpr Text kMenuOwnSite{QT_TRANSLATE_NOOP("texts", "自社サイト")};

// The row edit dialog.
inline constexpr Text kUrlCaption{QT_TRANSLATE_NOOP("texts", "URL(アドレス)")};
inline constexpr Text kFileNameCaption{QT_TRANSLATE_NOOP("texts", "ファイル名")};
inline constexpr Text kLastmodCaption{QT_TRANSLATE_NOOP("texts", "更新日")};
inline constexpr Text kChangefreqCaption{QT_TRANSLATE_NOOP("texts", "更新頻度")};
inline constexpr Text kPriorityCaption{QT_TRANSLATE_NOOP("texts", "優先度")};

// The settings dialog.
inline constexpr Text kSettingsTitle{QT_TRANSLATE_NOOP("texts", "WEBサイトFTP設定")};
inline constexpr Text kWebUrlCaption{QT_TRANSLATE_NOOP("texts", "WEBサイトURL(アドレス)")};
inline constexpr Text kWebUrlExample{QT_TRANSLATE_NOOP("texts", "例)https://www.example.jp")};
inline constexpr Text kNoFinalSlash{QT_TRANSLATE_NOOP("texts", "(最後の/は不要です)")};
inline constexpr Text kHostCaption{QT_TRANSLATE_NOOP("texts", "ホスト名(アドレス)")};
inline constexpr Text kUserCaption{QT_TRANSLATE_NOOP("texts", "ユーザー名(ID)")};
inline constexpr Text kPasswordCaption{QT_TRANSLATE_NOOP("texts", "パスワード(フレーズ)")};
inline constexpr Text kConnectionTestButton{QT_TRANSLATE_NOOP("texts", "接続テスト")};
inline constexpr Text kFtpHint{QT_TRANSLATE_NOOP("texts", "FTP情報を入力してください。")};
inline constexpr Text kSiteRootCaption{QT_TRANSLATE_NOOP("texts", "サイトのルートフォルダー")};
inline constexpr Text kSiteRootExample{QT_TRANSLATE_NOOP("texts", "例)/public_html")};
inline constexpr Text kExtensionsCaption{QT_TRANSLATE_NOOP("texts", "取得ファイルの拡張子")};
inline constexpr Text kChangefreqDefaultCaption{
    QT_TRANSLATE_NOOP("texts", "デフォルトの更新頻度\n(changefreq)")};
inline constexpr Text kPriorityDefaultCaption{
    QT_TRANSLATE_NOOP("texts", "デフォルトの優先度\n(priority)")};
inline constexpr Text kTimeZoneCaption{QT_TRANSLATE_NOOP("texts", "タイムゾーン・オフセット")};
inline constexpr Text kSitemapFormatCaption{QT_TRANSLATE_NOOP("texts", "サイトマップ形式")};
// The items of kSitemapFormatItems, in their order.
inline constexpr std::array<Text, 2> kSitemapFormatCaptions = {
    Text{QT_TRANSLATE_NOOP("texts", "Sitemap 0.84")},
    Text{QT_TRANSLATE_NOOP("texts", "sitemaps.org 0.9")}};
inline constexpr Text kGzipPartsCheck{
    QT_TRANSLATE_NOOP("texts", "分割したファイルをgzipで圧縮する")};
inline constexpr Text kExcludeCaption{QT_TRANSLATE_NOOP("texts", "除外するパス")};
inline constexpr Text kExcludeHint{
    QT_TRANSLATE_NOOP("texts", "1行に1つ 例)/drafts/ */admin/* *.bak.html /private*")};
inline constexpr Text kRobotsCheck{QT_TRANSLATE_NOOP("texts", "robots.txtが禁止するパスを除く")};
inline constexpr Text kFolderAddressesCheck{
    QT_TRANSLATE_NOOP("texts", "次の名前のページをフォルダーのアドレスで書く:")};
inline constexpr Text kTimeZoneHint{
    QT_TRANSLATE_NOOP("texts", "MLSD 対応のサーバーでは、書き出す時間帯にだけ使います。\n"
                               "（対応しているかどうかは接続テストで分かります）")};

// SFTP: the session's failures, the server's host key and its trust, the settings.
inline constexpr Text kSftpConnectFailed{QT_TRANSLATE_NOOP("texts", "SSH サーバーに接続できません。")};
inline constexpr Text kSftpHostKeyUnknown{
    QT_TRANSLATE_NOOP("texts", "このホストの鍵はまだ信頼されていません。")};
inline constexpr Text kSftpHostKeyChanged{QT_TRANSLATE_NOOP(
    "texts", "警告: このホストの鍵が、信頼した鍵（または known_hosts の鍵）と違います。"
             "通信が傍受されているおそれがあります。接続しませんでした。")};
inline constexpr Text kSftpAuthFailed{QT_TRANSLATE_NOOP(
    "texts", "SSH サーバーがログインを拒否しました（パスワード、エージェントの鍵、または鍵ファイル）。")};
inline constexpr Text kSftpKeyPassphrase{
    QT_TRANSLATE_NOOP("texts", "鍵ファイルのパスフレーズがないか、間違っています。")};
inline constexpr Text kSftpKeyUnusable{
    QT_TRANSLATE_NOOP("texts", "鍵ファイルを読めないか、秘密鍵ではありません。")};
inline constexpr Text kSftpNoSuchFile{
    QT_TRANSLATE_NOOP("texts", "そのファイルまたはフォルダーはありません。")};
inline constexpr Text kSftpPermission{QT_TRANSLATE_NOOP("texts", "サーバーがアクセスを拒否しました。")};
inline constexpr Text kSftpRefused{QT_TRANSLATE_NOOP("texts", "サーバーが要求を拒否しました。")};
inline constexpr Text kSftpLocalFile{
    QT_TRANSLATE_NOOP("texts", "アップロードするファイルを読めません。")};
inline constexpr Text kSftpTooLarge{QT_TRANSLATE_NOOP("texts", "フォルダーの項目が多すぎます。")};
inline constexpr Text kSftpLostConnection{QT_TRANSLATE_NOOP("texts", "SSH の接続が切れました。")};
inline constexpr Text kSftpTimedOut{
    QT_TRANSLATE_NOOP("texts", "サーバーが時間内に応答しませんでした。")};
inline constexpr Text kSftpStopped{QT_TRANSLATE_NOOP("texts", "中止しました。")};
inline constexpr Text kHostKeyFacts{
    QT_TRANSLATE_NOOP("texts", "ホスト鍵: {type} {fingerprint}")};
inline constexpr Text kHostKeyTrustHint{QT_TRANSLATE_NOOP(
    "texts", "このホスト鍵を信頼する場合: sitewright configure --trust-host-key {fingerprint}")};
inline constexpr Text kHostKeyQuestion{
    QT_TRANSLATE_NOOP("texts", "この鍵が本当にサーバーのものか確かめてから信頼してください。\n"
                               "この鍵を信頼して接続しますか？")};
inline constexpr Text kNotAHostKey{QT_TRANSLATE_NOOP(
    "texts", "--trust-host-key: SHA256: に続けて 43 文字の base64 で指定してください")};
inline constexpr Text kTransportCaption{QT_TRANSLATE_NOOP("texts", "接続方式")};
inline constexpr Text kKeyFileCaption{QT_TRANSLATE_NOOP("texts", "鍵ファイル（SFTP）")};
inline constexpr Text kPassphrasePrompt{
    QT_TRANSLATE_NOOP("texts", "鍵ファイル {file} のパスフレーズ:")};
inline constexpr Text kNoPassphraseLine{
    QT_TRANSLATE_NOOP("texts", "--passphrase-stdin: 標準入力にパスフレーズの行がありません")};
// Telling search engines: the robots.txt Sitemap: line and IndexNow.
inline constexpr Text kRobotsHasLine{
    QT_TRANSLATE_NOOP("texts", "robots.txt にサイトマップの行があります: {line}")};
inline constexpr Text kRobotsLineMissing{QT_TRANSLATE_NOOP(
    "texts", "robots.txt にサイトマップの行がありません。次の行を加えると、主な検索エンジンが"
             "すべてサイトマップを見つけます:\n{line}")};
inline constexpr Text kRobotsNoFile{QT_TRANSLATE_NOOP(
    "texts", "robots.txt がありません。次の行で作ると、主な検索エンジンがすべてサイトマップを"
             "見つけます:\n{line}")};
inline constexpr Text kRobotsTooLarge{QT_TRANSLATE_NOOP(
    "texts", "robots.txt は検索エンジンが読む大きさを超えているため変更しません。次の行を"
             "手で加えてください:\n{line}")};
inline constexpr Text kRobotsAdded{
    QT_TRANSLATE_NOOP("texts", "robots.txt に次の行を加えました: {line}")};
inline constexpr Text kRobotsFailed{
    QT_TRANSLATE_NOOP("texts", "robots.txt を確認できませんでした: {reason}")};
inline constexpr Text kRobotsAddQuestion{QT_TRANSLATE_NOOP(
    "texts",
    "サイトのルートの robots.txt に次の行を加えますか？ ほかの行はそのまま残ります。\n\n{line}")};
inline constexpr Text kRobotsChecking{QT_TRANSLATE_NOOP("texts", "robots.txt を確認しています")};
inline constexpr Text kRobotsAddButton{QT_TRANSLATE_NOOP("texts", "加える")};
inline constexpr Text kRobotsAddHint{
    QT_TRANSLATE_NOOP("texts", "sitewright upload --robots-sitemap-line add で加えられます")};
inline constexpr Text kHttpTimedOut{QT_TRANSLATE_NOOP("texts", "時間内に答えがありません")};
inline constexpr Text kHttpStopped{QT_TRANSLATE_NOOP("texts", "中止しました")};
inline constexpr Text kHttpTooLarge{QT_TRANSLATE_NOOP("texts", "答えが大きすぎます")};
inline constexpr Text kHttpRedirected{
    QT_TRANSLATE_NOOP("texts", "別のホストへの転送を断りました: {address}")};
inline constexpr Text kKeyFileUploadFailed{
    QT_TRANSLATE_NOOP("texts", "IndexNow のキーファイルをアップロードできませんでした: {reason}")};
inline constexpr Text kKeyFileMissing{QT_TRANSLATE_NOOP(
    "texts", "サイトが IndexNow のキーファイル {url} を返しません（{status}）。サイトのルート"
             "フォルダーと WEB サイトのアドレスが合っているか確認してください")};
inline constexpr Text kKeyFileDifferent{
    QT_TRANSLATE_NOOP("texts", "サイトの {url} がキーと違う内容を返しました")};
inline constexpr Text kKeyFileStatus{
    QT_TRANSLATE_NOOP("texts", "サイトの {url} が {status} を返しました")};
inline constexpr Text kKeyFileNoAnswer{
    QT_TRANSLATE_NOOP("texts", "サイトの {url} を読めませんでした: {reason}")};
inline constexpr Text kIndexNowOff{QT_TRANSLATE_NOOP(
    "texts", "IndexNow は設定でオフです（sitewright configure --indexnow on で使えます）")};
inline constexpr Text kIndexNowNoSitemap{
    QT_TRANSLATE_NOOP("texts", "サイトマップを読み取れないため、IndexNow に通知しませんでした")};
inline constexpr Text kIndexNowMemoryOff{
    QT_TRANSLATE_NOOP("texts", "サイトの記憶を使えないため、通知した内容を記録できませんでした"
                               "（受け付けられたアドレス {received} 件）")};
inline constexpr Text kIndexNowSetUp{QT_TRANSLATE_NOOP(
    "texts", "IndexNow の準備ができました（キーファイルを確認しました）。今回は何も送りません。"
             "次のアップロードから、変わったページを通知します")};
inline constexpr Text kIndexNowNothingChanged{
    QT_TRANSLATE_NOOP("texts", "前回の通知から変わったページはありません。何も送りませんでした")};
inline constexpr Text kIndexNowSent{QT_TRANSLATE_NOOP(
    "texts", "IndexNow にアドレス {count} 件を送り、受け付けられました（{status}）")};
inline constexpr Text kIndexNowPartly{QT_TRANSLATE_NOOP(
    "texts", "{count} 件のうち {received} 件が受け付けられました。残りは次回送ります")};
inline constexpr Text kIndexNowBadRequest{
    QT_TRANSLATE_NOOP("texts", "IndexNow が要求を不正として断りました（400）")};
inline constexpr Text kIndexNowKeyNotVerified{QT_TRANSLATE_NOOP(
    "texts", "IndexNow がキーを確認できませんでした（403）: キーファイルを読めないか、別の"
             "キーが書かれています")};
inline constexpr Text kIndexNowNotOfThisHost{QT_TRANSLATE_NOOP(
    "texts", "IndexNow が断りました（422）: このホストのものでないアドレスがあるか、キーが"
             "ホストに合いません")};
inline constexpr Text kIndexNowTooMany{QT_TRANSLATE_NOOP(
    "texts", "IndexNow が要求が多すぎると答えました（429、{attempts} 回試しました）")};
inline constexpr Text kIndexNowStatus{
    QT_TRANSLATE_NOOP("texts", "IndexNow が {status} を返しました")};
inline constexpr Text kIndexNowNoAnswer{
    QT_TRANSLATE_NOOP("texts", "IndexNow から答えがありません: {reason}")};
inline constexpr Text kIndexNowNoKey{
    QT_TRANSLATE_NOOP("texts", "IndexNow のキーを作れませんでした（暗号用の乱数源を使えません）")};
inline constexpr Text kIndexNowCheck{QT_TRANSLATE_NOOP(
    "texts", "アップロード後に IndexNow で変わったページを通知する（アドレスを外部に送ります）")};
inline constexpr Text kIndexNowKeyCaption{QT_TRANSLATE_NOOP("texts", "IndexNow キー")};
inline constexpr Text kIndexNowEndpointCaption{QT_TRANSLATE_NOOP("texts", "IndexNow の送り先")};
inline constexpr Text kIndexNowHint{QT_TRANSLATE_NOOP(
    "texts", "空欄は共有の送り先です。IndexNow は参加する検索エンジンだけが読みます。\n"
             "robots.txt の Sitemap: 行は主な検索エンジンがすべて読みます")};
inline constexpr Text kIndexNowEndpointForm{QT_TRANSLATE_NOOP(
    "texts", "--indexnow-endpoint: http:// または https:// で始まるアドレスを指定してください")};
inline constexpr Text kMenuNotifyDisabled{
    QT_TRANSLATE_NOOP("texts", "IndexNow は設定でオフです。サイトの設定でオンにしてください")};
// --- The page check (pagecheck/, jobs/page_check_job, sitewright check) ---
inline constexpr Text kCheckPagesCheck{QT_TRANSLATE_NOOP("texts", "公開ページを確認する")};
inline constexpr Text kCheckPagesHint{QT_TRANSLATE_NOOP(
    "texts", "取得の後、各ページを WEB サーバーに尋ね、検索エンジンが登録しないページ\n"
             "（404、転送、noindex、別の正規 URL、確認用ファイル）のチェックを外します")};
inline constexpr Text kCheckConnectionsCaption{QT_TRANSLATE_NOOP("texts", "同時に確認する数")};
inline constexpr Text kStableLastmodCheck{
    QT_TRANSLATE_NOOP("texts", "内容が変わったときだけ更新日時を進める")};
// A verdict of the check, as a row and "sitewright check" show it.
inline constexpr Text kVerdictIndexable{QT_TRANSLATE_NOOP("texts", "登録できます")};
inline constexpr Text kVerdictNotFound{QT_TRANSLATE_NOOP("texts", "ページがありません（{status}）")};
inline constexpr Text kVerdictRedirected{QT_TRANSLATE_NOOP("texts", "転送されます（{status}）: {target}")};
inline constexpr Text kVerdictNoIndex{QT_TRANSLATE_NOOP("texts", "noindex が指定されています")};
inline constexpr Text kVerdictCanonical{QT_TRANSLATE_NOOP("texts", "正規 URL は別のアドレスです: {target}")};
inline constexpr Text kVerdictNotModified{QT_TRANSLATE_NOOP("texts", "前回の確認から変わっていません")};
inline constexpr Text kVerdictVerificationFile{
    QT_TRANSLATE_NOOP("texts", "検索エンジンの所有者確認用ファイルです")};
inline constexpr Text kVerdictErrorDocument{
    QT_TRANSLATE_NOOP("texts", ".htaccess が指定するエラーページです")};
inline constexpr Text kVerdictServerError{QT_TRANSLATE_NOOP("texts", "確認できません: サーバーエラー（{status}）")};
inline constexpr Text kVerdictRefused{QT_TRANSLATE_NOOP("texts", "確認できません: 応答 {status}")};
inline constexpr Text kVerdictTimedOut{QT_TRANSLATE_NOOP("texts", "確認できません: 時間切れ")};
inline constexpr Text kVerdictNetwork{QT_TRANSLATE_NOOP("texts", "確認できません: 接続できません")};
inline constexpr Text kVerdictCertificate{QT_TRANSLATE_NOOP("texts", "確認できません: 証明書を検証できません")};
inline constexpr Text kVerdictStopped{QT_TRANSLATE_NOOP("texts", "確認できません: 中止しました")};
inline constexpr Text kPageLeftOut{QT_TRANSLATE_NOOP("texts", "除外: {address}: {reason}")};
inline constexpr Text kPageCheckSummary{QT_TRANSLATE_NOOP(
    "texts", "ページの確認: 確認 {checked}、除外 {left}、確認できない {unknown}、"
             "内容が変わらず更新日時を保ったもの {kept}")};
inline constexpr Text kCertificateUnchecked{QT_TRANSLATE_NOOP(
    "texts", "{site} の証明書を検証できないため、そのページは確認していません: {reason}")};
inline constexpr Text kPageCheckStopped{QT_TRANSLATE_NOOP("texts", "ページの確認を中止しました。")};
inline constexpr Text kCheckingPages{QT_TRANSLATE_NOOP("texts", "ページを確認中 {done}/{total}")};
inline constexpr Text kStatusLeftOut{QT_TRANSLATE_NOOP("texts", "確認で除外 {count}")};
inline constexpr Text kCheckNeedsUrl{
    QT_TRANSLATE_NOOP("texts", "ページを確認するには WEB サイト URL が必要です。")};
inline constexpr Text kCheckUsage{
    QT_TRANSLATE_NOOP("texts", R"(使い方: sitewright check [--dir DIR] [--ext LIST] [--passphrase-stdin] [--json]

generate と同じようにサーバーのフォルダーをたどり、見つけた各ページのアドレスを
WEB サーバーに尋ねて、検索エンジンが登録するかどうかを1行に1アドレス表示しま
す（登録できる、ページがない、転送、noindex、別の正規 URL、確認用ファイル、エ
ラーページ、確認できない）。何も書かず、サイトの記憶も変えません。設定の
「公開ページを確認する」にかかわらず確認します。

  --dir DIR    設定ファイルのフォルダー（省略時: プログラムフォルダー）
  --ext LIST   取得するファイルの拡張子。コンマ区切り（generate の --ext
               と同じ）
  --json       結果を一つの JSON オブジェクトで表示します。pages は1アドレスに
               1オブジェクト（address, verdict, status, target）です
  --passphrase-stdin
               SFTP の鍵ファイルのパスフレーズを標準入力の1行目から読み取
               ります（保存しません）
  -h, --help   このヘルプを表示します
)")};

} // namespace texts

// A catalogue text as a QString.
inline QString QText(std::string_view text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}
