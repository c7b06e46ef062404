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
inline constexpr std::string_view kUnknownError = "原因不明のエラーが発生しました。";

// --- The FTP session (ftp/) ---

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
inline constexpr std::string_view kExceedsSingleFileLimits =
    "作成したサイトマップは1ファイルの上限(URL数50,000件、10,485,760バイト)を超えています。\r\n"
    "検索エンジンに読み込まれないことがあります。";

// --- The command line (cli/) ---
inline constexpr std::string_view kSettingsSaved = "設定を保存しました: {folder}";
inline constexpr std::string_view kSitemapWritten = "サイトマップを作成しました: {file}";
inline constexpr std::string_view kNoSitemapWritten = "サイトマップは作成しませんでした。";
inline constexpr std::string_view kSummary =
    "取得件数 {rows}、フォルダー数 {folders}、入れなかったフォルダー {refused}、"
    "一覧を読み取れなかったフォルダー {unreadable}、深すぎて入らなかったフォルダー {deep}、"
    "所要時間 {seconds} 秒、コマンド数 {commands}";
inline constexpr std::string_view kProgress = "フォルダー {folders}、ファイル {files}: ";
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
    "そのようなコマンドはありません。コマンドは configure、show、generate、upload です"
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

// --- The windows (app/window/, settings/dialog/) ---

} // namespace texts

// A catalogue text as a QString.
inline QString QText(std::string_view text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}
