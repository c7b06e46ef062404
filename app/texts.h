#pragma once

#include <array>
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
inline constexpr std::string_view kUnknownError = "原因不明のエラーが発生しました。";

// --- The FTP session (ftp/) ---
// "{1}", "{2}": filled in with Filled (app/text_util.h). A server's text is quoted last, with its
// control characters escaped and the password masked; a system's reason follows ": ".
inline constexpr std::string_view kFtpNotConnected = "FTPサーバーに接続していません。";
inline constexpr std::string_view kFtpAlreadyConnected = "FTPサーバーにはすでに接続しています。";
inline constexpr std::string_view kFtpServerClosed = "サーバーが接続を切りました。";
inline constexpr std::string_view kFtpStopped = "ユーザーが中止しました。";
inline constexpr std::string_view kFtpReplyTooLong = "サーバーの応答が1 MiBを超えました。";
inline constexpr std::string_view kFtpListingTooLong =
    "サーバーのファイルリストが128 MiBを超えました。";
inline constexpr std::string_view kFtpListingTooManyLines =
    "サーバーのファイルリストが{1}行を超えました。";
inline constexpr std::string_view kFtpUnreadableListing =
    "サーバーのファイルリストを1行も読み取れません。最初の行: {1}";
inline constexpr std::string_view kFtpQuoteCut = "…"; // ends a quoted line cut short
inline constexpr std::string_view kFtpNoPassiveAddress =
    "サーバーのPASV応答にアドレスがありません: {1}";
inline constexpr std::string_view kFtpNoExtendedPassivePort =
    "サーバーのEPSV応答にポート番号がありません: {1}";
inline constexpr std::string_view kFtpNoFolderInReply =
    "サーバーのPWD応答にフォルダー名がありません: {1}";
inline constexpr std::string_view kFtpLineBreakInCommand = "FTPのコマンドに改行は使用できません。";
inline constexpr std::string_view kFtpInvalidHost = "ホスト「{1}」の書き方が正しくありません。";
inline constexpr std::string_view kFtpInvalidPort =
    "ホスト「{1}」のポート番号が正しくありません（1～65535）。";
inline constexpr std::string_view kFtpCannotResolve = "ホスト名「{1}」を解決できません: {2}";
inline constexpr std::string_view kFtpCannotConnect = "{1}に接続できません: {2}";
inline constexpr std::string_view kFtpConnectTimeout = "{1}が{2}以内に接続に応じません。";
inline constexpr std::string_view kFtpSilent = "{1}が{2}応答しません。";
inline constexpr std::string_view kFtpNotTaking = "{1}が{2}データを受け取りません。";
inline constexpr std::string_view kFtpReplyTimeout = "{1}の応答が{2}以内に終わりません。";
inline constexpr std::string_view kFtpTransferTimeout =
    "{1}とのデータ転送が{2}以内に終わりません（{3}バイト転送済み）。";
inline constexpr std::string_view kFtpSendFailed = "{1}への送信に失敗しました: {2}";
inline constexpr std::string_view kFtpReceiveFailed = "{1}からの受信に失敗しました: {2}";
inline constexpr std::string_view kFtpWaitFailed = "接続の待機に失敗しました: {1}";
inline constexpr std::string_view kFtpStopUnavailable = "中止の仕組みを用意できません: {1}";
inline constexpr std::string_view kFtpCannotOpenFile = "ファイル「{1}」を開けません: {2}";
inline constexpr std::string_view kFtpNotARegularFile =
    "「{1}」は通常のファイルではないため、アップロードできません。";
inline constexpr std::string_view kFtpCannotReadFile = "ファイル「{1}」を読み込めません: {2}";
inline constexpr std::string_view kFtpUnknownError = "原因不明のエラーが発生しました。";
inline constexpr std::string_view kFtpMilliseconds = "{1}ミリ秒";
inline constexpr std::string_view kFtpSeconds = "{1}秒";
inline constexpr std::string_view kFtpMinutes = "{1}分";

// --- TLS (ftp/) ---
inline constexpr std::string_view kTlsRefusedPlain =
    "サーバーが TLS に対応していないため、暗号化せずに接続しました。";
// The status bar's narrow first panel after such a walk.
inline constexpr std::string_view kPlainConnection = "平文";
inline constexpr std::string_view kTlsConnected = "TLS で接続しました（{protocol}）。";
// The connection test's line on how the server lists folders.
inline constexpr std::string_view kMlsdOffered =
    "MLSD 対応（更新日時は秒まで正確です。タイムゾーン・オフセットは書き出す時刻の時間帯にだけ"
    "使います。）";
inline constexpr std::string_view kMlsdNotOffered =
    "MLSD 非対応（LIST の時刻を使います。タイムゾーン・オフセットにはサーバーの時計のオフセットを"
    "設定してください。）";
inline constexpr std::string_view kTrustQuestion =
    "この証明書を、このホストについて信頼しますか？\r\n"
    "信頼すると、同じ証明書である限り次回から確認しません。証明書が変わった場合は、もう一度確認しま"
    "す。";
inline constexpr std::string_view kTrust = "信頼する";
inline constexpr std::string_view kTlsCaption = "暗号化";
inline constexpr std::string_view kConnectionsCaption = "同時接続数";
inline constexpr std::string_view kConnectionsHint =
    "並行して一覧を取得する接続の数（1: 一つの接続で順に）";
inline constexpr std::string_view kNotAFingerprint =
    "--trust-fingerprint: SHA256: に続けて 32 組の16進数をコロンで区切った指紋を指定してください。";
inline constexpr std::array<std::string_view, 3> kTlsItemCaptions = {
    "TLS を要求", "TLS が使えれば使う", "暗号化しない"};
inline constexpr std::string_view kTrustHint =
    "この証明書を信頼する場合: sitewright configure --trust-fingerprint {fingerprint}";
inline constexpr std::string_view kTlsRefused =
    "サーバーが TLS（暗号化）での接続を受け付けません。TLS "
    "を要求する設定のため、接続を中止しました。\r\n";
inline constexpr std::string_view kTlsHandshakeFailed = "TLS の接続を確立できません: ";
inline constexpr std::string_view kTlsBroken = "TLS の通信に失敗しました: ";
inline constexpr std::string_view kTlsCutShort =
    "TLS の終了通知がないまま接続が切れました。データが途中で切れている可能性があります。";
inline constexpr std::string_view kTlsNoCertificate = "サーバーが証明書を提示しませんでした。";
inline constexpr std::string_view kCertificateExpired = "証明書の有効期限が切れています。";
inline constexpr std::string_view kCertificateNotYetValid =
    "証明書の有効期間がまだ始まっていません。";
inline constexpr std::string_view kCertificateSelfSigned =
    "自己署名の証明書です（信頼された認証局が発行したものではありません）。";
inline constexpr std::string_view kCertificateUnknownIssuer =
    "証明書の発行者（認証局）を確認できません。";
inline constexpr std::string_view kCertificateWrongName =
    "証明書は「{host}」のものではありません。";
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
// A file error: one of these, a line break, then the system's reason. "{file}" is the path.
inline constexpr std::string_view kCannotCreateTemporary =
    "「{file}」を書き込むための一時ファイルを作成できません。";
inline constexpr std::string_view kCannotSetPermissions =
    "「{file}」のアクセス権を設定できません。";
inline constexpr std::string_view kCannotWrite = "「{file}」に書き込めません。";
inline constexpr std::string_view kCannotReplace = "「{file}」を置き換えられません。";
inline constexpr std::string_view kCannotOpen = "「{file}」を開けません。";
inline constexpr std::string_view kCannotRead = "「{file}」を読み込めません。";
inline constexpr std::string_view kCannotCreateFolder = "フォルダー「{file}」を作成できません。";
inline constexpr std::string_view kNotARegularFile = "「{file}」は通常のファイルではありません。";
inline constexpr std::string_view kFileTooLarge =
    "「{file}」は大きすぎます（上限 {limit} バイト）。";
// "{line}" counts from 1; the cipher's own text follows on the next line.
inline constexpr std::string_view kSettingsLineDamaged =
    "設定ファイル「{file}」の{line}行目が壊れています。";
inline constexpr std::string_view kSettingsGarbled =
    "設定ファイル「{file}」の内容を読み取れません。別の鍵で暗号化されたか、壊れています。";

// --- The walk (app/jobs/) ---
inline constexpr std::string_view kConnecting = "サーバー接続中";
// Status panel 1 while several sessions list folders.
inline constexpr std::string_view kWalkProgress =
    "一覧済み {done}/{known} フォルダー（接続 {sessions}）";
inline constexpr std::string_view kRetrieving = "取得中・・・";
inline constexpr std::string_view kRetrievalFinished = "取得完了";
inline constexpr std::string_view kRetrievalStopped = "取得中止";
inline constexpr std::string_view kBeingRetrieved = "を取得中";
inline constexpr std::string_view kFolderMissing = "フォルダーが存在しません。";
inline constexpr std::string_view kListCutShort = "リストの取得が途中で終了しました。";
// After a folder's path; the reason follows on the next line.
inline constexpr std::string_view kListingUnreadable = "フォルダーの一覧を読み取れません。";
inline constexpr std::string_view kNoCurrentFolder =
    "サーバーが現在のフォルダーを返しませんでした。";
inline constexpr std::string_view kRootBreaksCommand =
    "サイトのルートフォルダーに改行文字またはNULが含まれています。";
inline constexpr std::string_view kListingShrank =
    "フォルダー「{folder}」の一覧が、取得中に短くなりました。";
// The first folder not entered follows on the next line.
inline constexpr std::string_view kFoldersTooDeep =
    "サイトのルートから{depth}階層より深いフォルダー（{count}個）は取得しませんでした。最初の"
    "フォルダー:";
inline constexpr std::string_view kTooManyFolders = "フォルダー数が上限（{limit}）に達しました。";
inline constexpr std::string_view kTooManyRows = "ファイル数が上限（{limit}）に達しました。";
// A row of the work table asked for by a number it does not have.
inline constexpr std::string_view kListIndexOutOfRange =
    "リスト インデックスが範囲を超えています ({index})";

// --- The sitemap and its upload (sitemap/) ---
inline constexpr std::string_view kNoSitemap = "サイトマップがまだ作成されていません。";
inline constexpr std::string_view kUploaded = "サイトマップをアップロードしました。";
inline constexpr std::string_view kUploadFailed = "サイトマップのアップロードに失敗しました。";
inline constexpr std::string_view kUploadConfirm = "サイトマップをアップロードします。";
inline constexpr std::string_view kEmptySitemapConfirm =
    "サイトマップにURLがひとつもありません。\r\nサーバーのサイトマップを、URLのないサイトマップで"
    "置き換えますか？";
inline constexpr std::string_view kEmptySitemapRefused =
    "サイトマップにURLがひとつもないため、アップロードしません。";
// Before the reason: a part named by the index that cannot be uploaded.
inline constexpr std::string_view kPartNotUploadable =
    "サイトマップインデックスにあるファイル「{file}」をアップロードできません。";

// --- The site memory (memory/) ---
inline constexpr std::string_view kMemoryDamaged =
    "サイトの記憶「{file}」が壊れていたため、「{aside}」に移して新しい記憶を始めました。"
    "これまでに記憶したチェックの有無、更新頻度と優先度は使われません。";
// The reason follows on the next line.
inline constexpr std::string_view kMemoryUnavailable =
    "サイトの記憶「{file}」を使えません。記憶なしで続けます。";
inline constexpr std::string_view kNewRows = "新しいページ {count}件";
inline constexpr std::string_view kForgetMissingQuestion =
    "記憶しているページのうち {count}件がサーバーにありません。記憶から削除しますか？";
inline constexpr std::string_view kResetMemoryQuestion =
    "サイト「{site}」について記憶している、チェックを外したページと変更した更新頻度・優先度を"
    "すべて消去します。";
inline constexpr std::string_view kForget = "削除";
inline constexpr std::string_view kErase = "消去";
inline constexpr std::string_view kMemoryApplied =
    "記憶した選択: チェックを外したページ {unticked}件、更新頻度・優先度を変えたページ "
    "{edited}件、新しいページ {fresh}件、サーバーにないページ {missing}件";
inline constexpr std::string_view kMissingHint =
    "サーバーにないページを記憶から削除するには: sitewright forget --missing";
inline constexpr std::string_view kMissingForgotten =
    "サーバーにないページ {count}件を記憶から削除しました。";
inline constexpr std::string_view kMissingNeedsWholeWalk =
    "サーバーのフォルダーを最後までたどれなかったため、記憶から何も削除しませんでした。";
inline constexpr std::string_view kMemoryErased =
    "サイト「{site}」の記憶 {count}件を消去しました。";
inline constexpr std::string_view kMemoryListed = "サイト「{site}」の記憶した選択 {count}件";
inline constexpr std::string_view kMemoryVerb = "memory には list か reset を指定してください。";
inline constexpr std::string_view kForgetNeedsMissing =
    "forget には --missing を指定してください。";
inline constexpr std::string_view kUnticked = "外す";

// --- The command line (cli/) ---
inline constexpr std::string_view kSettingsSaved = "設定を保存しました: {folder}";
inline constexpr std::string_view kSitemapWritten = "サイトマップを作成しました: {file}";
inline constexpr std::string_view kSitemapSplit =
    "URL数 {urls} 件を {parts} ファイルに分け、{file} をそのインデックスにしました。";
inline constexpr std::string_view kNoSitemapWritten = "サイトマップは作成しませんでした。";
inline constexpr std::string_view kSummary =
    "取得件数 {rows}、フォルダー数 {folders}、入れなかったフォルダー {refused}、"
    "一覧を読み取れなかったフォルダー {unreadable}、深すぎて入らなかったフォルダー {deep}、"
    "除外パスで除いたもの {excluded}、robots.txtで除いたもの {robots}、所要時間 {seconds} "
    "秒、コマンド数 {commands}{listing}";
// The summary's "{listing}" when a folder was listed: how the server listed it.
inline constexpr std::string_view kSummaryMlsd = "、一覧 MLSD";
inline constexpr std::string_view kSummaryList = "、一覧 LIST";
inline constexpr std::string_view kProgress = "フォルダー {folders}、ファイル {files}: ";
inline constexpr std::string_view kParallelProgress =
    "フォルダー {folders}（一覧済み {done}/{known}、接続 {sessions}）、ファイル {files}: ";
inline constexpr std::string_view kWarning = "警告: ";
inline constexpr std::string_view kEmptyValue = "（空）";
inline constexpr std::string_view kNoHost =
    "FTPのホスト名が設定されていません。sitewright configure --host で設定してください。";
inline constexpr std::string_view kLocalFolderMissing = "フォルダー「{folder}」が存在しません。";
inline constexpr std::string_view kUrlEndsInSlash =
    "WEBサイトURLが「/」で終わっています。すべてのURLに「//」が含まれます。";
// Mistakes on the command line; each is followed by kSeeHelp.
inline constexpr std::string_view kSeeHelp = "（sitewright {command} --help を参照）";
inline constexpr std::string_view kUnknownCommand =
    "そのようなコマンドはありません。コマンドは configure、show、generate、upload、forget、"
    "memory です"
    "（sitewright --help を参照）。";
inline constexpr std::string_view kUnexpectedArgument =
    "{position}番目の引数はオプションではありません（オプションは「--」で始まります）。";
inline constexpr std::string_view kUnknownOption = "オプション --{option} はありません。";
inline constexpr std::string_view kOptionTakesNoValue =
    "オプション --{option} に値は指定できません。";
inline constexpr std::string_view kOptionNeedsValue = "オプション --{option} には値が必要です。";
inline constexpr std::string_view kDirNeedsFolder =
    "オプション --dir にはフォルダーを指定してください。";
inline constexpr std::string_view kUnusableCharacterIn =
    "{what}に、制御文字など使用できない文字が含まれています。";
inline constexpr std::string_view kPasswordWord = "パスワード";
inline constexpr std::string_view kRootNeedsSlash =
    "--root は「/」で始めてください（空にするとログイン時のフォルダーになります）。";
inline constexpr std::string_view kItemsOnly =
    "--{option} には次のいずれかを指定してください: {items}";
inline constexpr std::string_view kOffsetForm =
    "--offset は符号、時（00〜23）、「:」、分（00〜59）で指定してください（例: +09:00、-05:30）。";
inline constexpr std::string_view kNoPasswordLine =
    "--password-stdin: 標準入力に行がありません（空のパスワードは空行で指定します）。";
inline constexpr std::string_view kPositiveNumber =
    "--{option} には1以上の整数を指定してください。";

// The command line's help, one text for the whole and one per command.
inline constexpr std::string_view kTopUsage = R"(使い方: sitewright <command> [options]

FTP サーバー上のファイルから、WEB サイトの sitemap.xml を作成します。

コマンド:
  configure   保存されているサイトの設定を変更します
  show        保存されているサイトの設定を表示します（パスワードは伏せ字）
  generate    サーバーのフォルダーをたどって sitemap.xml を作成します。--upload を付けると
              アップロードもします
  upload      作成済みの sitemap.xml をサイトのルートフォルダーへアップロードします
  forget      サーバーにないページを、サイトの記憶から削除します（--missing）
  memory      サイトの記憶（チェックを外したページ、変更した更新頻度と優先度）を
              表示（list）または消去（reset）します

どのコマンドも --dir DIR（設定ファイルと sitemap.xml を置くフォルダー。省略時はプログラム
フォルダー）を受け付けます。configure 以外のコマンドではそのフォルダーが存在している必要があり、
configure は必要なら作成します。各コマンドのオプションは "sitewright <command> --help" で
表示されます。メッセージと結果はウィンドウと同じ日本語で表示されます。

終了ステータス: 0 成功、1 失敗（理由は標準エラー出力）、2 コマンドラインの誤り（「;」を含む
WEB サイトのアドレスなど、設定に保存できない値を含む）
)";

inline constexpr std::string_view kConfigureUsage =
    R"(使い方: sitewright configure [--dir DIR] [--url URL] [--host HOST] [--user USER]
                            [--password-stdin] [--root PATH] [--changefreq F]
                            [--priority P] [--offset +HH:MM]
                            [--tls required|auto|off] [--trust-fingerprint FP]
                            [--connections N] [--protocol 0.84|0.9] [--gzip on|off]
                            [--exclude PATTERN]... [--robots on|off]
                            [--folder-addresses on|off] [--index-names LIST]

指定した設定を変更し、二つの設定ファイル（暗号化、所有者のみ読み取り可）を保存します。
指定しない設定は元の値のままです。

  --dir DIR          設定ファイルのフォルダー（省略時: プログラムフォルダー）
  --url URL          WEB サイトのアドレス。最後の "/" は不要です
                     （例: https://www.example.com）。「;」と制御文字は使用できません
                     （終了ステータス 2）
  --host HOST        FTP のホスト名またはアドレス。HOST:PORT でポートも指定できます
  --user USER        FTP のユーザー名
  --password-stdin   FTP のパスワードを標準入力の1行目から読み取ります
                     （パスワードそのものを受け取るオプションはありません）
  --root PATH        FTP サーバー上のサイトのルートフォルダー。"/" で始めます
                     （例: /public_html）。空にするとログイン直後のフォルダーです
  --changefreq F     更新頻度の既定値: always, hourly, daily, weekly, monthly,
                     yearly, never
  --priority P       優先度の既定値: 0.0, 0.1, ... 1.0
  --offset +HH:MM    すべての更新日時に付けるタイムゾーン・オフセット
                     （例: +09:00, -05:30）。LIST で一覧するサーバーでは、サーバーの
                     時計のオフセットを指定します。MLSD に対応したサーバーの時刻は
                     UTC で正確なため、書き出す時刻の時間帯を選ぶだけです
  --tls MODE         接続の暗号化: required（TLS を要求。TLS でなければログインしません）、
                     auto（TLS が使えれば使う。既定値）、off（暗号化しない）
  --trust-fingerprint FP
                     検証できないサーバー証明書を、この SHA-256 指紋
                     （SHA256:AB:CD:...）のものに限り、このホストについて信頼します。
                     指紋は証明書が拒否されたときのエラーに表示されます。別の証明書は
                     再び拒否されます
  --connections N    フォルダーの一覧を取得する同時接続数: 1〜8（既定値 4）。
                     2 以上では各フォルダーをパスで一度だけ一覧します。サーバーが
                     追加の接続を断ったときは、ある接続だけで続けます
  --protocol 0.84|0.9
                     サイトマップ形式: 0.84（Google Sitemap 0.84。既定値）、
                     0.9（sitemaps.org 0.9）
  --gzip on|off      URL 数 50,000 件または 50 MiB を超えて分割したファイルを
                     gzip で圧縮します（sitemap-N.xml.gz）。既定値は off
  --exclude PATTERN  除外するパス。サイトのルートからのパスのパターン
                     （例: /drafts/、*/admin/*、*.bak.html、/private*）。「*」は任意の
                     文字列、最後の「$」はパスの終わりです。繰り返し指定でき、コンマでも
                     区切れます。指定したものが保存済みの一覧に代わります（"" で空）。
                     一致するフォルダーは一覧を取得しません
  --robots on|off    サイトのルートの robots.txt が禁止するパスを除きます（既定値 on）
  --folder-addresses on|off
                     フォルダーのインデックスページを「…/news/」のように
                     フォルダーのアドレスで書きます（既定値 off）
  --index-names LIST インデックスページの名前。コンマ区切り
                     （既定値: index.html,index.htm,index.php）
  -h, --help         このヘルプを表示します
)";

inline constexpr std::string_view kShowUsage = R"(使い方: sitewright show [--dir DIR]

保存されている設定を表示します。パスワードは伏せ字、制御文字は %XX で表示します。
config_v1.dat を復号した結果がこのプログラムの書いたものではあり得ない場合（別の鍵、
破損）は失敗します（終了ステータス 1）。

  --dir DIR    設定ファイルのフォルダー（省略時: プログラムフォルダー）
  -h, --help   このヘルプを表示します
)";

inline constexpr std::string_view kGenerateUsage =
    R"(使い方: sitewright generate [--dir DIR] [--ext LIST] [--upload] [--max-folders N]
                           [--max-rows N]

FTP サーバーにログインし、サイトのルートフォルダーとその下のすべてのフォルダーをたどって、
拡張子が LIST にあるファイルごとに更新日時、更新頻度と優先度の既定値を付けた URL を
DIR/sitemap.xml に書きます。ウィンドウでチェックを外したページは書かず、ウィンドウで変えた
更新頻度と優先度はそのまま使います（DIR/site_memory.db のサイトの記憶。ウィンドウと同じ
サイトマップになります）。入れないフォルダー、一覧を読み取れないフォルダー、64 階層より
深いフォルダーは標準エラー出力に表示して除きます。Ctrl-C（または SIGTERM）でただちに
中止します。中止したとき、失敗したとき、上限に達したときはサイトマップを書かず、以前の
sitemap.xml はそのまま残ります。除外するパスと robots.txt が禁止するパスは除きます。
URL 数 50,000 件または 50 MiB を超えるときは sitemap-1.xml、sitemap-2.xml… に分け、
sitemap.xml をそのインデックスにします。

  --dir DIR          設定ファイルと sitemap.xml のフォルダー
                     （省略時: プログラムフォルダー）
  --ext LIST         取得するファイルの拡張子。コンマ区切り
                     （省略時: .htm,.html,.php,.cgi）
  --upload           続けて sitemap.xml をサイトのルートフォルダーへアップロードします。
                     ファイルが一つも見つからなかった場合は何も書かず、アップロードも
                     しません（終了ステータス 1）
  --max-folders N    N を超えるフォルダーに入ろうとしたら失敗として終了します
                     （省略時: 100000）
  --max-rows N       N を超えるファイルが見つかったら失敗として終了します
                     （省略時: 1000000）
  -h, --help         このヘルプを表示します
)";

inline constexpr std::string_view kUploadUsage = R"(使い方: sitewright upload [--dir DIR]

DIR/sitemap.xml を sitemap.xml として FTP サーバーのサイトのルートフォルダー（ルート
フォルダーが空の場合はログイン直後のフォルダー）へアップロードします。sitemap.xml が
インデックスのときは、そこにあるファイルを先に、sitemap.xml を最後にアップロードします。URL を一つも含まない
サイトマップは、サーバーのものを空にしてしまうためアップロードしません（終了ステータス 1）。

  --dir DIR    設定ファイルと sitemap.xml のフォルダー
               （省略時: プログラムフォルダー）
  -h, --help   このヘルプを表示します
)";

inline constexpr std::string_view kForgetUsage =
    R"(使い方: sitewright forget --missing [--dir DIR] [--ext LIST]

generate と同じようにサーバーのフォルダーをたどり、サイトの記憶（DIR/site_memory.db）に
あってサーバーにないページを記憶から削除します。たどれないフォルダーがあった場合は、
そこにあるページまで削除しないよう、何も削除せずに失敗します（終了ステータス 1）。

  --missing    サーバーにないページを削除します（必須）
  --dir DIR    設定ファイルとサイトの記憶のフォルダー（省略時: プログラムフォルダー）
  --ext LIST   取得するファイルの拡張子。コンマ区切り（generate の --ext と同じ）
  -h, --help   このヘルプを表示します
)";

inline constexpr std::string_view kMemoryUsage = R"(使い方: sitewright memory list|reset [--dir DIR]

サイトの記憶を扱います。ウィンドウでチェックを外したページと、行の編集で変えた更新頻度と
優先度は、設定の WEB サイト URL ごとに DIR/site_memory.db に記憶され、次のファイルリストの
取得と sitewright generate に使われます。

  list         設定のサイトについて記憶している選択を、1行に1ページ表示します:
               設定日時（UTC）、チェックを外したか（外す / -）、更新頻度、優先度、アドレス
               （既定値のままのものは -）
  reset        設定のサイトの記憶をすべて消去します
  --dir DIR    設定ファイルとサイトの記憶のフォルダー（省略時: プログラムフォルダー）
  -h, --help   このヘルプを表示します
)";

// --- The windows (app/window/, settings/dialog/) ---
inline constexpr std::string_view kApplicationTitle = "SITE WRIGHT Google Sitemap編";
inline constexpr std::string_view kOkButton = "実 行"; // the dialogs' confirming button
inline constexpr std::string_view kStop = "中止";

// The main window.
inline constexpr std::string_view kMainWindowTitle = "SITE WRIGHT -Google Sitemap-";
inline constexpr std::string_view kProductName = "SITE WRIGHT -Google Sitemap-β";
inline constexpr std::string_view kMakerName = "Quorvane";
inline constexpr std::string_view kSitemapTitle = "Google Sitemap作成";
inline constexpr std::string_view kFileCount = "ファイル数:";
inline constexpr std::string_view kSelectedCount = "選択数:";
inline constexpr std::string_view kWorkTableTab = "作業テーブル";
inline constexpr std::string_view kCloseButton = "終　了";
inline constexpr std::string_view kWebConnection = "WEB接続";
inline constexpr std::string_view kCannotWriteGeometry = "%1 に書き込めません"; // %1: the file
inline constexpr std::string_view kReleaseVersion =
    "Release Version Beta0.02\r\n2006/12/06A\r\nQuorvane";
inline constexpr std::string_view kHeaderVersion =
    "Release Version Beta\r\n2006/12/02A\r\nQuorvane";
// The line both version boxes add below their texts: the version this program was built as.
inline constexpr std::string_view kBuildVersion = "バージョン {version}";
// The help item when the manual is not where the program was installed with it.
inline constexpr std::string_view kManualMissing = "マニュアル「{file}」が見つかりません。";
inline constexpr std::string_view kDiscardList =
    "現在のリストを破棄し、新たにサイトマップを作成します。";
inline constexpr std::string_view kUploadQuestion = "サイトマップをアップロードします。";
inline constexpr std::string_view kTestingConnection = "サーバーに接続しています。";
inline constexpr std::string_view kUploading = "サイトマップをアップロードしています。";
inline constexpr std::string_view kChangefreqLabel = "changefreq:";
inline constexpr std::string_view kPriorityLabel = "priority:";

// The main window's menus.
inline constexpr std::string_view kMenuFile = "ファイル(&F)";
inline constexpr std::string_view kMenuConnectionTest = "サーバー接続テスト";
inline constexpr std::string_view kMenuReleaseVersion = "リリースバージョン";
inline constexpr std::string_view kMenuQuit = "終了";
inline constexpr std::string_view kMenuSitemap = "サイトマップ(&W)";
inline constexpr std::string_view kMenuGetFileList = "サーバー内のファイルリストを取得";
inline constexpr std::string_view kMenuCreateSitemap = "サイトマップを作成";
inline constexpr std::string_view kMenuViewLocal = "サイトマップをブラウザで確認(LOCAL)";
inline constexpr std::string_view kMenuUpload = "アップロード";
inline constexpr std::string_view kMenuViewWeb = "サイトマップをブラウザで確認(WEB)";
inline constexpr std::string_view kMenuNotifyGoogle = "Googleに通知する";
inline constexpr std::string_view kMenuEdit = "編 集(&E)";
inline constexpr std::string_view kMenuSelectAll = "全て選択";
inline constexpr std::string_view kMenuSelectNone = "全選択解除";
inline constexpr std::string_view kMenuResetMemory = "このサイトの記憶を消去";
inline constexpr std::string_view kMenuRanking = "検索順位分析(&A)";
inline constexpr std::string_view kMenuDailyResults = "日別検索結果";
inline constexpr std::string_view kMenuSiteTools = "サイトツール(&T)";
inline constexpr std::string_view kMenuPing = "PING";
inline constexpr std::string_view kMenuMarketing = "マーケティング(&M)";
inline constexpr std::string_view kMenuAnalytics = "Google Analytics分析(&G)";
inline constexpr std::string_view kMenuInformation = "Information(&I)";
inline constexpr std::string_view kMenuManual = "オンラインヘルプ-取扱説明書-";
inline constexpr std::string_view kMenuMakerPage = "Quorvaneのページ";
inline constexpr std::string_view kMenuInquiry = "問い合わせメールを送る";
inline constexpr std::string_view kMenuProductPage = "SITE WRIGHT-Google Sitemap編-のページ";
inline constexpr std::string_view kMenuGoogle = "Google";
inline constexpr std::string_view kMenuOwnSite = "自社サイト";

// The row edit dialog.
inline constexpr std::string_view kUrlCaption = "URL(アドレス)";
inline constexpr std::string_view kFileNameCaption = "ファイル名";
inline constexpr std::string_view kLastmodCaption = "更新日";
inline constexpr std::string_view kChangefreqCaption = "更新頻度";
inline constexpr std::string_view kPriorityCaption = "優先度";

// The settings dialog.
inline constexpr std::string_view kSettingsTitle = "WEBサイトFTP設定";
inline constexpr std::string_view kWebUrlCaption = "WEBサイトURL(アドレス)";
inline constexpr std::string_view kWebUrlExample = "例)https://www.example.jp";
inline constexpr std::string_view kNoFinalSlash = "(最後の/は不要です)";
inline constexpr std::string_view kHostCaption = "ホスト名(アドレス)";
inline constexpr std::string_view kUserCaption = "ユーザー名(ID)";
inline constexpr std::string_view kPasswordCaption = "パスワード(フレーズ)";
inline constexpr std::string_view kConnectionTestButton = "接続テスト";
inline constexpr std::string_view kFtpHint = "FTP情報を入力してください。";
inline constexpr std::string_view kSiteRootCaption = "サイトのルートフォルダー";
inline constexpr std::string_view kSiteRootExample = "例)/public_html";
inline constexpr std::string_view kExtensionsCaption = "取得ファイルの拡張子";
inline constexpr std::string_view kChangefreqDefaultCaption = "デフォルトの更新頻度\n(changefreq)";
inline constexpr std::string_view kPriorityDefaultCaption = "デフォルトの優先度\n(priority)";
inline constexpr std::string_view kTimeZoneCaption = "タイムゾーン・オフセット";
inline constexpr std::string_view kSitemapFormatCaption = "サイトマップ形式";
// The items of kSitemapFormatItems, in their order.
inline constexpr std::array<std::string_view, 2> kSitemapFormatCaptions = {"Sitemap 0.84",
                                                                           "sitemaps.org 0.9"};
inline constexpr std::string_view kGzipPartsCheck = "分割したファイルをgzipで圧縮する";
inline constexpr std::string_view kExcludeCaption = "除外するパス";
inline constexpr std::string_view kExcludeHint =
    "1行に1つ 例)/drafts/ */admin/* *.bak.html /private*";
inline constexpr std::string_view kRobotsCheck = "robots.txtが禁止するパスを除く";
inline constexpr std::string_view kFolderAddressesCheck =
    "次の名前のページをフォルダーのアドレスで書く:";
inline constexpr std::string_view kTimeZoneHint =
    "MLSD 対応のサーバーでは、書き出す時間帯にだけ使います。\n"
    "（対応しているかどうかは接続テストで分かります）";

} // namespace texts

// A catalogue text as a QString.
inline QString QText(std::string_view text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}
