<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ja">
<context>
    <name>texts</name>
    <message>
        <source>確認</source>
        <translation>Confirm</translation>
    </message>
    <message>
        <source>実行</source>
        <translation>Run</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>接続失敗</source>
        <translation>Connection failed</translation>
    </message>
    <message>
        <source>接続成功</source>
        <translation>Connected</translation>
    </message>
    <message>
        <source>ファイルリストの取得中です。</source>
        <translation>The file list is being retrieved.</translation>
    </message>
    <message>
        <source>「;」は使用できません。</source>
        <translation>“;” cannot be used.</translation>
    </message>
    <message>
        <source>原因不明のエラーが発生しました。</source>
        <translation>An unknown error occurred.</translation>
    </message>
    <message>
        <source>FTPサーバーに接続していません。</source>
        <translation>Not connected to the FTP server.</translation>
    </message>
    <message>
        <source>FTPサーバーにはすでに接続しています。</source>
        <translation>Already connected to the FTP server.</translation>
    </message>
    <message>
        <source>サーバーが接続を切りました。</source>
        <translation>The server closed the connection.</translation>
    </message>
    <message>
        <source>ユーザーが中止しました。</source>
        <translation>Stopped by the user.</translation>
    </message>
    <message>
        <source>サーバーの応答が1 MiBを超えました。</source>
        <translation>The server&apos;s reply exceeded 1 MiB.</translation>
    </message>
    <message>
        <source>サーバーのファイルリストが128 MiBを超えました。</source>
        <translation>The server&apos;s file list exceeded 128 MiB.</translation>
    </message>
    <message>
        <source>サーバーのファイルリストが{limit}行を超えました。</source>
        <translation>The server&apos;s file list exceeded {limit} lines.</translation>
    </message>
    <message>
        <source>サーバーのファイルリストを1行も読み取れません。最初の行: {line}</source>
        <translation>Cannot read a single line of the server&apos;s file list. First line: {line}</translation>
    </message>
    <message>
        <source>…</source>
        <translation>…</translation>
    </message>
    <message>
        <source>サーバーのPASV応答にアドレスがありません: {reply}</source>
        <translation>The server&apos;s PASV reply holds no address: {reply}</translation>
    </message>
    <message>
        <source>サーバーのEPSV応答にポート番号がありません: {reply}</source>
        <translation>The server&apos;s EPSV reply holds no port number: {reply}</translation>
    </message>
    <message>
        <source>サーバーのPWD応答にフォルダー名がありません: {reply}</source>
        <translation>The server&apos;s PWD reply holds no folder name: {reply}</translation>
    </message>
    <message>
        <source>FTPのコマンドに改行は使用できません。</source>
        <translation>An FTP command cannot contain a line break.</translation>
    </message>
    <message>
        <source>ホスト「{host}」の書き方が正しくありません。</source>
        <translation>The host “{host}” is not written correctly.</translation>
    </message>
    <message>
        <source>ホスト「{host}」のポート番号が正しくありません（1～65535）。</source>
        <translation>The port number of the host “{host}” is not valid (1 to 65535).</translation>
    </message>
    <message>
        <source>ホスト名「{host}」を解決できません: {reason}</source>
        <translation>Cannot resolve the host name “{host}”: {reason}</translation>
    </message>
    <message>
        <source>{address}に接続できません: {reason}</source>
        <translation>Cannot connect to {address}: {reason}</translation>
    </message>
    <message>
        <source>{address}が{time}以内に接続に応じません。</source>
        <translation>{address} did not accept the connection within {time}.</translation>
    </message>
    <message>
        <source>{peer}が{time}応答しません。</source>
        <translation>{peer} has not answered for {time}.</translation>
    </message>
    <message>
        <source>{peer}が{time}データを受け取りません。</source>
        <translation>{peer} has not taken data for {time}.</translation>
    </message>
    <message>
        <source>{peer}の応答が{time}以内に終わりません。</source>
        <translation>{peer} did not finish its reply within {time}.</translation>
    </message>
    <message>
        <source>{peer}とのデータ転送が{time}以内に終わりません（{bytes}バイト転送済み）。</source>
        <translation>The data transfer with {peer} did not finish within {time} ({bytes} bytes transferred).</translation>
    </message>
    <message>
        <source>{peer}への送信に失敗しました: {reason}</source>
        <translation>Sending to {peer} failed: {reason}</translation>
    </message>
    <message>
        <source>{peer}からの受信に失敗しました: {reason}</source>
        <translation>Receiving from {peer} failed: {reason}</translation>
    </message>
    <message>
        <source>接続の待機に失敗しました: {reason}</source>
        <translation>Waiting on the connection failed: {reason}</translation>
    </message>
    <message>
        <source>中止の仕組みを用意できません: {reason}</source>
        <translation>Cannot set up stopping: {reason}</translation>
    </message>
    <message>
        <source>ファイル「{file}」を開けません: {reason}</source>
        <translation>Cannot open the file “{file}”: {reason}</translation>
    </message>
    <message>
        <source>「{file}」は通常のファイルではないため、アップロードできません。</source>
        <translation>“{file}” is not a regular file, so it cannot be uploaded.</translation>
    </message>
    <message>
        <source>ファイル「{file}」を読み込めません: {reason}</source>
        <translation>Cannot read the file “{file}”: {reason}</translation>
    </message>
    <message>
        <source>{count}ミリ秒</source>
        <translation>{count} ms</translation>
    </message>
    <message>
        <source>{count}秒</source>
        <translation>{count} s</translation>
    </message>
    <message>
        <source>{count}分</source>
        <translation>{count} min</translation>
    </message>
    <message>
        <source>サーバーが TLS に対応していないため、暗号化せずに接続しました。</source>
        <translation>The server does not support TLS, so the connection is not encrypted.</translation>
    </message>
    <message>
        <source>平文</source>
        <translation>Plain</translation>
    </message>
    <message>
        <source>TLS で接続しました（{protocol}）。</source>
        <translation>Connected with TLS ({protocol}).</translation>
    </message>
    <message>
        <source>MLSD 対応（更新日時は秒まで正確です。タイムゾーン・オフセットは書き出す時刻の時間帯にだけ使います。）</source>
        <translation>MLSD supported (modification times are exact to the second; the time zone offset only picks the zone the times are written in.)</translation>
    </message>
    <message>
        <source>MLSD 非対応（LIST の時刻を使います。タイムゾーン・オフセットにはサーバーの時計のオフセットを設定してください。）</source>
        <translation>MLSD not supported (LIST times are used; set the time zone offset to the offset of the server&apos;s clock.)</translation>
    </message>
    <message>
        <source>この証明書を、このホストについて信頼しますか？<byte value="xd"/>
信頼すると、同じ証明書である限り次回から確認しません。証明書が変わった場合は、もう一度確認します。</source>
        <translation>Do you trust this certificate for this host?<byte value="xd"/>
Once trusted, it is not asked about again as long as the certificate stays the same. If the certificate changes, you will be asked again.</translation>
    </message>
    <message>
        <source>信頼する</source>
        <translation>Trust</translation>
    </message>
    <message>
        <source>暗号化</source>
        <translation>Encryption</translation>
    </message>
    <message>
        <source>同時接続数</source>
        <translation>Connections</translation>
    </message>
    <message>
        <source>並行して一覧を取得する接続の数（1: 一つの接続で順に）</source>
        <translation>Connections listing folders in parallel (1: one, in turn)</translation>
    </message>
    <message>
        <source>--trust-fingerprint: SHA256: に続けて 32 組の16進数をコロンで区切った指紋を指定してください。</source>
        <translation>--trust-fingerprint: give SHA256: followed by 32 hexadecimal pairs separated by colons.</translation>
    </message>
    <message>
        <source>TLS を要求</source>
        <translation>Require TLS</translation>
    </message>
    <message>
        <source>TLS が使えれば使う</source>
        <translation>Use TLS if available</translation>
    </message>
    <message>
        <source>暗号化しない</source>
        <translation>No encryption</translation>
    </message>
    <message>
        <source>この証明書を信頼する場合: sitewright configure --trust-fingerprint {fingerprint}</source>
        <translation>To trust this certificate: sitewright configure --trust-fingerprint {fingerprint}</translation>
    </message>
    <message>
        <source>サーバーが TLS（暗号化）での接続を受け付けません。TLS を要求する設定のため、接続を中止しました。<byte value="xd"/>
</source>
        <translation>The server does not accept a TLS (encrypted) connection. The settings require TLS, so the connection was abandoned.<byte value="xd"/>
</translation>
    </message>
    <message>
        <source>TLS の接続を確立できません: </source>
        <translation>Cannot establish the TLS connection: </translation>
    </message>
    <message>
        <source>TLS の通信に失敗しました: </source>
        <translation>TLS communication failed: </translation>
    </message>
    <message>
        <source>TLS の終了通知がないまま接続が切れました。データが途中で切れている可能性があります。</source>
        <translation>The connection closed without TLS&apos;s closing notice. The data may be cut short.</translation>
    </message>
    <message>
        <source>サーバーが証明書を提示しませんでした。</source>
        <translation>The server presented no certificate.</translation>
    </message>
    <message>
        <source>証明書の有効期限が切れています。</source>
        <translation>The certificate has expired.</translation>
    </message>
    <message>
        <source>証明書の有効期間がまだ始まっていません。</source>
        <translation>The certificate is not valid yet.</translation>
    </message>
    <message>
        <source>自己署名の証明書です（信頼された認証局が発行したものではありません）。</source>
        <translation>The certificate is self-signed (not issued by a trusted certificate authority).</translation>
    </message>
    <message>
        <source>証明書の発行者（認証局）を確認できません。</source>
        <translation>Cannot verify the certificate&apos;s issuer (certificate authority).</translation>
    </message>
    <message>
        <source>証明書は「{host}」のものではありません。</source>
        <translation>The certificate is not for “{host}”.</translation>
    </message>
    <message>
        <source>共用サーバーでは、お客様のドメインではなくサーバー自身の名前の証明書が使われることがよくあります。その場合は、FTPホストに証明書の名前を入力するか、この証明書を信頼してください。</source>
        <translation>Shared hosting often uses a certificate in the server&apos;s own name rather than your domain. In that case, enter the certificate&apos;s name as the FTP host, or trust this certificate.</translation>
    </message>
    <message>
        <source>証明書を検証できません: </source>
        <translation>Cannot verify the certificate: </translation>
    </message>
    <message>
        <source>サーバーの証明書を確認できません。</source>
        <translation>Cannot verify the server&apos;s certificate.</translation>
    </message>
    <message>
        <source>発行先: </source>
        <translation>Issued to: </translation>
    </message>
    <message>
        <source>対象の名前: </source>
        <translation>Names: </translation>
    </message>
    <message>
        <source>発行者: </source>
        <translation>Issuer: </translation>
    </message>
    <message>
        <source>有効期間: </source>
        <translation>Valid: </translation>
    </message>
    <message>
        <source>SHA-256 指紋: </source>
        <translation>SHA-256 fingerprint: </translation>
    </message>
    <message>
        <source>制御文字など、アドレスに使用できない文字が含まれています。</source>
        <translation>Contains a character that cannot be used in an address, such as a control character.</translation>
    </message>
    <message>
        <source>「{file}」を書き込むための一時ファイルを作成できません。</source>
        <translation>Cannot create a temporary file to write “{file}”.</translation>
    </message>
    <message>
        <source>「{file}」のアクセス権を設定できません。</source>
        <translation>Cannot set the permissions of “{file}”.</translation>
    </message>
    <message>
        <source>「{file}」に書き込めません。</source>
        <translation>Cannot write to “{file}”.</translation>
    </message>
    <message>
        <source>「{file}」を置き換えられません。</source>
        <translation>Cannot replace “{file}”.</translation>
    </message>
    <message>
        <source>「{file}」を開けません。</source>
        <translation>Cannot open “{file}”.</translation>
    </message>
    <message>
        <source>「{file}」を読み込めません。</source>
        <translation>Cannot read “{file}”.</translation>
    </message>
    <message>
        <source>フォルダー「{file}」を作成できません。</source>
        <translation>Cannot create the folder “{file}”.</translation>
    </message>
    <message>
        <source>「{file}」は通常のファイルではありません。</source>
        <translation>“{file}” is not a regular file.</translation>
    </message>
    <message>
        <source>「{file}」は大きすぎます（上限 {limit} バイト）。</source>
        <translation>“{file}” is too large (limit {limit} bytes).</translation>
    </message>
    <message>
        <source>設定ファイル「{file}」の{line}行目が壊れています。</source>
        <translation>Line {line} of the settings file “{file}” is damaged.</translation>
    </message>
    <message>
        <source>設定ファイル「{file}」の内容を読み取れません。別の鍵で暗号化されたか、壊れています。</source>
        <translation>Cannot read the settings file “{file}”. It was encrypted with another key, or it is damaged.</translation>
    </message>
    <message>
        <source>サーバー接続中</source>
        <translation>Connecting</translation>
    </message>
    <message>
        <source>一覧済み {done}/{known} フォルダー（接続 {sessions}）</source>
        <translation>Listed {done}/{known} folders ({sessions} connections)</translation>
    </message>
    <message>
        <source>取得中・・・</source>
        <translation>Retrieving...</translation>
    </message>
    <message>
        <source>取得完了</source>
        <translation>Retrieved</translation>
    </message>
    <message>
        <source>取得中止</source>
        <translation>Stopped</translation>
    </message>
    <message>
        <source>を取得中</source>
        <translation> (retrieving)</translation>
    </message>
    <message>
        <source>フォルダーが存在しません。</source>
        <translation>: the folder does not exist.</translation>
    </message>
    <message>
        <source>リストの取得が途中で終了しました。</source>
        <translation>The list retrieval ended before it was complete.</translation>
    </message>
    <message>
        <source>フォルダーの一覧を読み取れません。</source>
        <translation>: cannot read the folder&apos;s listing.</translation>
    </message>
    <message>
        <source>サーバーが現在のフォルダーを返しませんでした。</source>
        <translation>The server did not return the current folder.</translation>
    </message>
    <message>
        <source>サイトのルートフォルダーに改行文字またはNULが含まれています。</source>
        <translation>The site&apos;s root folder contains a line break or NUL.</translation>
    </message>
    <message>
        <source>フォルダー「{folder}」の一覧が、取得中に短くなりました。</source>
        <translation>The listing of the folder “{folder}” became shorter during retrieval.</translation>
    </message>
    <message>
        <source>サイトのルートから{depth}階層より深いフォルダー（{count}個）は取得しませんでした。最初のフォルダー:</source>
        <translation>Folders deeper than {depth} levels below the site&apos;s root ({count}) were not retrieved. The first folder:</translation>
    </message>
    <message>
        <source>フォルダー数が上限（{limit}）に達しました。</source>
        <translation>The number of folders reached the limit ({limit}).</translation>
    </message>
    <message>
        <source>ファイル数が上限（{limit}）に達しました。</source>
        <translation>The number of files reached the limit ({limit}).</translation>
    </message>
    <message>
        <source>リスト インデックスが範囲を超えています ({index})</source>
        <translation>List index out of bounds ({index})</translation>
    </message>
    <message>
        <source>サイトマップがまだ作成されていません。</source>
        <translation>No sitemap has been created yet.</translation>
    </message>
    <message>
        <source>サイトマップをアップロードしました。</source>
        <translation>The sitemap was uploaded.</translation>
    </message>
    <message>
        <source>サイトマップのアップロードに失敗しました。</source>
        <translation>Uploading the sitemap failed.</translation>
    </message>
    <message>
        <source>サイトマップをアップロードします。</source>
        <translation>The sitemap will be uploaded.</translation>
    </message>
    <message>
        <source>サイトマップにURLがひとつもありません。<byte value="xd"/>
サーバーのサイトマップを、URLのないサイトマップで置き換えますか？</source>
        <translation>The sitemap has no URLs.<byte value="xd"/>
Replace the server&apos;s sitemap with a sitemap without URLs?</translation>
    </message>
    <message>
        <source>サイトマップにURLがひとつもないため、アップロードしません。</source>
        <translation>The sitemap has no URLs, so it is not uploaded.</translation>
    </message>
    <message>
        <source>サイトマップインデックスにあるファイル「{file}」をアップロードできません。</source>
        <translation>Cannot upload the file “{file}” listed in the sitemap index.</translation>
    </message>
    <message>
        <source>サイトの記憶「{file}」が壊れていたため、「{aside}」に移して新しい記憶を始めました。これまでに記憶したチェックの有無、更新頻度と優先度は使われません。</source>
        <translation>The site memory “{file}” was damaged, so it was moved to “{aside}” and a new memory was started. The ticks, change frequencies and priorities remembered so far are not used.</translation>
    </message>
    <message>
        <source>サイトの記憶「{file}」を使えません。記憶なしで続けます。</source>
        <translation>Cannot use the site memory “{file}”. Continuing without it.</translation>
    </message>
    <message>
        <source>新しいページ {count}件</source>
        <translation>New pages: {count}</translation>
    </message>
    <message>
        <source>サイト「{site}」について記憶している、チェックを外したページと変更した更新頻度・優先度をすべて消去します。</source>
        <translation>All unticked pages and changed change frequencies and priorities remembered for the site “{site}” will be erased.</translation>
    </message>
    <message>
        <source>削除</source>
        <translation>Remove</translation>
    </message>
    <message>
        <source>消去</source>
        <translation>Erase</translation>
    </message>
    <message>
        <source>記憶した選択: チェックを外したページ {unticked}件、更新頻度・優先度を変えたページ {edited}件、新しいページ {fresh}件、サーバーにないページ {missing}件</source>
        <translation>Remembered choices: {unticked} unticked pages, {edited} pages with changed frequency or priority, {fresh} new pages, {missing} pages not on the server</translation>
    </message>
    <message>
        <source>サーバーにないページを記憶から削除するには: sitewright forget --missing</source>
        <translation>To remove the pages not on the server from the memory: sitewright forget --missing</translation>
    </message>
    <message>
        <source>サーバーにないページ {count}件を記憶から削除しました。</source>
        <translation>Removed {count} pages not on the server from the memory.</translation>
    </message>
    <message>
        <source>サーバーのフォルダーを最後までたどれなかったため、記憶から何も削除しませんでした。</source>
        <translation>Not all of the server&apos;s folders could be walked, so nothing was removed from the memory.</translation>
    </message>
    <message>
        <source>サイト「{site}」の記憶 {count}件を消去しました。</source>
        <translation>Erased {count} remembered entries of the site “{site}”.</translation>
    </message>
    <message>
        <source>サイト「{site}」の記憶した選択 {count}件</source>
        <translation>{count} remembered choices for the site “{site}”</translation>
    </message>
    <message>
        <source>memory には list か reset を指定してください。</source>
        <translation>Give memory either list or reset.</translation>
    </message>
    <message>
        <source>forget には --missing を指定してください。</source>
        <translation>Give forget --missing.</translation>
    </message>
    <message>
        <source>外す</source>
        <translation>unticked</translation>
    </message>
    <message>
        <source>設定を保存しました: {folder}</source>
        <translation>Settings saved: {folder}</translation>
    </message>
    <message>
        <source>サイトマップを作成しました: {file}</source>
        <translation>Sitemap created: {file}</translation>
    </message>
    <message>
        <source>URL数 {urls} 件を {parts} ファイルに分け、{file} をそのインデックスにしました。</source>
        <translation>Split {urls} URLs into {parts} files and made {file} their index.</translation>
    </message>
    <message>
        <source>サイトマップは作成しませんでした。</source>
        <translation>No sitemap was created.</translation>
    </message>
    <message>
        <source>取得件数 {rows}、フォルダー数 {folders}、入れなかったフォルダー {refused}、一覧を読み取れなかったフォルダー {unreadable}、深すぎて入らなかったフォルダー {deep}、除外パスで除いたもの {excluded}、robots.txtで除いたもの {robots}、所要時間 {seconds} 秒、コマンド数 {commands}{listing}</source>
        <translation>Files {rows}, folders {folders}, folders refused {refused}, folders whose listing could not be read {unreadable}, folders too deep to enter {deep}, excluded by paths {excluded}, excluded by robots.txt {robots}, time {seconds} s, commands {commands}{listing}</translation>
    </message>
    <message>
        <source>、一覧 MLSD</source>
        <translation>, listing MLSD</translation>
    </message>
    <message>
        <source>、一覧 LIST</source>
        <translation>, listing LIST</translation>
    </message>
    <message>
        <source>フォルダー {folders}、ファイル {files}: </source>
        <translation>Folders {folders}, files {files}: </translation>
    </message>
    <message>
        <source>フォルダー {folders}（一覧済み {done}/{known}、接続 {sessions}）、ファイル {files}: </source>
        <translation>Folders {folders} (listed {done}/{known}, connections {sessions}), files {files}: </translation>
    </message>
    <message>
        <source>警告: </source>
        <translation>warning: </translation>
    </message>
    <message>
        <source>（空）</source>
        <translation>(empty)</translation>
    </message>
    <message>
        <source>FTPのホスト名が設定されていません。sitewright configure --host で設定してください。</source>
        <translation>No FTP host name is set. Set it with sitewright configure --host.</translation>
    </message>
    <message>
        <source>フォルダー「{folder}」が存在しません。</source>
        <translation>The folder “{folder}” does not exist.</translation>
    </message>
    <message>
        <source>WEBサイトURLが「/」で終わっています。すべてのURLに「//」が含まれます。</source>
        <translation>The website URL ends in “/”. Every URL will contain “//”.</translation>
    </message>
    <message>
        <source>（sitewright {command} --help を参照）</source>
        <translation>(see sitewright {command} --help)</translation>
    </message>
    <message>
        <source>そのようなコマンドはありません。コマンドは configure、show、generate、upload、forget、memory です（sitewright --help を参照）。</source>
        <translation>There is no such command. The commands are configure, show, generate, upload, forget and memory (see sitewright --help).</translation>
    </message>
    <message>
        <source>{position}番目の引数はオプションではありません（オプションは「--」で始まります）。</source>
        <translation>Argument {position} is not an option (options begin with “--”).</translation>
    </message>
    <message>
        <source>オプション --{option} はありません。</source>
        <translation>There is no option --{option}.</translation>
    </message>
    <message>
        <source>オプション --{option} に値は指定できません。</source>
        <translation>The option --{option} takes no value.</translation>
    </message>
    <message>
        <source>オプション --{option} には値が必要です。</source>
        <translation>The option --{option} needs a value.</translation>
    </message>
    <message>
        <source>オプション --dir にはフォルダーを指定してください。</source>
        <translation>Give the option --dir a folder.</translation>
    </message>
    <message>
        <source>{what}に、制御文字など使用できない文字が含まれています。</source>
        <translation>{what} contains a character that cannot be used, such as a control character.</translation>
    </message>
    <message>
        <source>パスワード</source>
        <translation>The password</translation>
    </message>
    <message>
        <source>--root は「/」で始めてください（空にするとログイン時のフォルダーになります）。</source>
        <translation>--root must begin with “/” (empty means the folder at login).</translation>
    </message>
    <message>
        <source>--{option} には次のいずれかを指定してください: {items}</source>
        <translation>Give --{option} one of: {items}</translation>
    </message>
    <message>
        <source>--offset は符号、時（00〜23）、「:」、分（00〜59）で指定してください（例: +09:00、-05:30）。</source>
        <translation>Give --offset as a sign, hours (00 to 23), “:” and minutes (00 to 59) (for example +09:00, -05:30).</translation>
    </message>
    <message>
        <source>--password-stdin: 標準入力に行がありません（空のパスワードは空行で指定します）。</source>
        <translation>--password-stdin: standard input has no line (give an empty password as an empty line).</translation>
    </message>
    <message>
        <source>--{option} には1以上の整数を指定してください。</source>
        <translation>Give --{option} a whole number of 1 or more.</translation>
    </message>
    <message>
        <source>使い方: sitewright show [--dir DIR] [--quiet | --json]

保存されている設定を表示します。パスワードは伏せ字、制御文字は %XX
で表示します。config_v1.dat を復号した結果がこのプログラムの書いたものではあり
得ない場合（別の鍵、破損）は失敗します（終了ステータス 1）。

  --dir DIR    設定ファイルのフォルダー（省略時: プログラムフォルダー）
  --quiet      設定を表示せず、読み取れるかどうかだけを終了ステータスで示します
  --json       設定を一つの JSON オブジェクトで表示します（キーは sitewright(1)
               を参照）
  -h, --help   このヘルプを表示します
</source>
        <translation>Usage: sitewright show [--dir DIR] [--quiet | --json]

Shows the stored settings, the password masked and control characters as %XX.
Fails (exit status 1) when config_v1.dat decrypts to something this program
cannot have written (another key, damage).

  --dir DIR    the folder of the settings files (default: the program folder)
  --quiet      shows nothing: the exit status alone tells whether the settings
               can be read
  --json       shows the settings as one JSON object (its keys: see
               sitewright(1))
  -h, --help   shows this help
</translation>
    </message>
    <message>
        <source>使い方: sitewright memory list|reset [--dir DIR]

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
</source>
        <translation>Usage: sitewright memory list|reset [--dir DIR]

Works with the site memory. Pages unticked in the window and change frequencies
and priorities changed by editing a row are remembered per website URL of the
settings in DIR/site_memory.db, and used by the next file list retrieval and by
sitewright generate.

  list         shows the choices remembered for the site of the settings, one
               page a line: when set (UTC), whether unticked (unticked / -),
               change frequency, priority, address (- for what keeps the
               default)
  reset        erases everything remembered for the site of the settings
  --dir DIR    the folder of the settings files and the site memory (default:
               the program folder)
  -h, --help   shows this help
</translation>
    </message>
    <message>
        <source>SITE WRIGHT Google Sitemap編</source>
        <translation>SITE WRIGHT Google Sitemap Edition</translation>
    </message>
    <message>
        <source>実 行</source>
        <translation>Run</translation>
    </message>
    <message>
        <source>中止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>SITE WRIGHT -Google Sitemap-</source>
        <translation>SITE WRIGHT -Google Sitemap-</translation>
    </message>
    <message>
        <source>SITE WRIGHT -Google Sitemap-β</source>
        <translation>SITE WRIGHT -Google Sitemap-β</translation>
    </message>
    <message>
        <source>Quorvane</source>
        <translation>Quorvane</translation>
    </message>
    <message>
        <source>Google Sitemap作成</source>
        <translation>Create Google Sitemap</translation>
    </message>
    <message>
        <source>ファイル数:</source>
        <translation>Files:</translation>
    </message>
    <message>
        <source>選択数:</source>
        <translation>Selected:</translation>
    </message>
    <message>
        <source>作業テーブル</source>
        <translation>Work table</translation>
    </message>
    <message>
        <source>終&#x3000;了</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>WEB接続</source>
        <translation>Web connection</translation>
    </message>
    <message>
        <source>{file} に書き込めません</source>
        <translation>Cannot write to {file}</translation>
    </message>
    <message>
        <source>Release Version Beta0.02<byte value="xd"/>
2006/12/06A<byte value="xd"/>
Quorvane</source>
        <translation>Release Version Beta0.02<byte value="xd"/>
2006/12/06A<byte value="xd"/>
Quorvane</translation>
    </message>
    <message>
        <source>Release Version Beta<byte value="xd"/>
2006/12/02A<byte value="xd"/>
Quorvane</source>
        <translation>Release Version Beta<byte value="xd"/>
2006/12/02A<byte value="xd"/>
Quorvane</translation>
    </message>
    <message>
        <source>マニュアル「{file}」が見つかりません。</source>
        <translation>The manual “{file}” cannot be found.</translation>
    </message>
    <message>
        <source>サーバーに接続しています。</source>
        <translation>Connecting to the server.</translation>
    </message>
    <message>
        <source>サイトマップをアップロードしています。</source>
        <translation>Uploading the sitemap.</translation>
    </message>
    <message>
        <source>changefreq:</source>
        <translation>changefreq:</translation>
    </message>
    <message>
        <source>priority:</source>
        <translation>priority:</translation>
    </message>
    <message>
        <source>ファイル(&amp;F)</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>サーバー接続テスト</source>
        <translation>Test server connection</translation>
    </message>
    <message>
        <source>リリースバージョン</source>
        <translation>Release version</translation>
    </message>
    <message>
        <source>終了</source>
        <translation>Quit</translation>
    </message>
    <message>
        <source>サイトマップ(&amp;W)</source>
        <translation>Site&amp;map</translation>
    </message>
    <message>
        <source>サーバー内のファイルリストを取得</source>
        <translation>Get the server&apos;s file list</translation>
    </message>
    <message>
        <source>サイトマップを作成</source>
        <translation>Create sitemap</translation>
    </message>
    <message>
        <source>サイトマップをブラウザで確認(LOCAL)</source>
        <translation>View sitemap in browser (LOCAL)</translation>
    </message>
    <message>
        <source>アップロード</source>
        <translation>Upload</translation>
    </message>
    <message>
        <source>サイトマップをブラウザで確認(WEB)</source>
        <translation>View sitemap in browser (WEB)</translation>
    </message>
    <message>
        <source>編 集(&amp;E)</source>
        <translation>&amp;Edit</translation>
    </message>
    <message>
        <source>全て選択</source>
        <translation>Select all</translation>
    </message>
    <message>
        <source>全選択解除</source>
        <translation>Select none</translation>
    </message>
    <message>
        <source>このサイトの記憶を消去</source>
        <translation>Erase this site&apos;s memory</translation>
    </message>
    <message>
        <source>検索順位分析(&amp;A)</source>
        <translation>Search r&amp;anking</translation>
    </message>
    <message>
        <source>日別検索結果</source>
        <translation>Daily search results</translation>
    </message>
    <message>
        <source>サイトツール(&amp;T)</source>
        <translation>Site &amp;tools</translation>
    </message>
    <message>
        <source>PING</source>
        <translation>PING</translation>
    </message>
    <message>
        <source>マーケティング(&amp;M)</source>
        <translation>&amp;Marketing</translation>
    </message>
    <message>
        <source>Google Analytics分析(&amp;G)</source>
        <translation>&amp;Google Analytics</translation>
    </message>
    <message>
        <source>Information(&amp;I)</source>
        <translation>&amp;Information</translation>
    </message>
    <message>
        <source>オンラインヘルプ-取扱説明書-</source>
        <translation>Online help (manual)</translation>
    </message>
    <message>
        <source>Quorvaneのページ</source>
        <translation>Quorvane&apos;s page</translation>
    </message>
    <message>
        <source>問い合わせメールを送る</source>
        <translation>Send an inquiry mail</translation>
    </message>
    <message>
        <source>SITE WRIGHT-Google Sitemap編-のページ</source>
        <translation>SITE WRIGHT Google Sitemap Edition page</translation>
    </message>
    <message>
        <source>Google</source>
        <translation>Google</translation>
    </message>
    <message>
        <source>自社サイト</source>
        <translation>Our site</translation>
    </message>
    <message>
        <source>URL(アドレス)</source>
        <translation>URL (address)</translation>
    </message>
    <message>
        <source>ファイル名</source>
        <translation>File name</translation>
    </message>
    <message>
        <source>更新日</source>
        <translation>Modified</translation>
    </message>
    <message>
        <source>更新頻度</source>
        <translation>Change freq.</translation>
    </message>
    <message>
        <source>優先度</source>
        <translation>Priority</translation>
    </message>
    <message>
        <source>WEBサイトFTP設定</source>
        <translation>Website FTP settings</translation>
    </message>
    <message>
        <source>WEBサイトURL(アドレス)</source>
        <translation>Website URL (address)</translation>
    </message>
    <message>
        <source>例)https://www.example.jp</source>
        <translation>e.g. https://www.example.jp</translation>
    </message>
    <message>
        <source>(最後の/は不要です)</source>
        <translation>(no final /)</translation>
    </message>
    <message>
        <source>ホスト名(アドレス)</source>
        <translation>Host name (address)</translation>
    </message>
    <message>
        <source>ユーザー名(ID)</source>
        <translation>User name (ID)</translation>
    </message>
    <message>
        <source>パスワード(フレーズ)</source>
        <translation>Password</translation>
    </message>
    <message>
        <source>接続テスト</source>
        <translation>Test</translation>
    </message>
    <message>
        <source>FTP情報を入力してください。</source>
        <translation>Enter the FTP details.</translation>
    </message>
    <message>
        <source>サイトのルートフォルダー</source>
        <translation>Site root folder</translation>
    </message>
    <message>
        <source>例)/public_html</source>
        <translation>e.g. /public_html</translation>
    </message>
    <message>
        <source>取得ファイルの拡張子</source>
        <translation>File extensions</translation>
    </message>
    <message>
        <source>デフォルトの更新頻度
(changefreq)</source>
        <translation>Default frequency
(changefreq)</translation>
    </message>
    <message>
        <source>デフォルトの優先度
(priority)</source>
        <translation>Default priority
(priority)</translation>
    </message>
    <message>
        <source>タイムゾーン・オフセット</source>
        <translation>Time zone offset</translation>
    </message>
    <message>
        <source>サイトマップ形式</source>
        <translation>Sitemap format</translation>
    </message>
    <message>
        <source>Sitemap 0.84</source>
        <translation>Sitemap 0.84</translation>
    </message>
    <message>
        <source>sitemaps.org 0.9</source>
        <translation>sitemaps.org 0.9</translation>
    </message>
    <message>
        <source>分割したファイルをgzipで圧縮する</source>
        <translation>Compress split files with gzip</translation>
    </message>
    <message>
        <source>除外するパス</source>
        <translation>Paths to exclude</translation>
    </message>
    <message>
        <source>1行に1つ 例)/drafts/ */admin/* *.bak.html /private*</source>
        <translation>One per line, e.g. /drafts/ */admin/* *.bak.html /private*</translation>
    </message>
    <message>
        <source>robots.txtが禁止するパスを除く</source>
        <translation>Leave out paths robots.txt disallows</translation>
    </message>
    <message>
        <source>次の名前のページをフォルダーのアドレスで書く:</source>
        <translation>Write pages with these names as folder addresses:</translation>
    </message>
    <message>
        <source>MLSD 対応のサーバーでは、書き出す時間帯にだけ使います。
（対応しているかどうかは接続テストで分かります）</source>
        <translation>With MLSD: only the zone the times are written in.
(The connection test shows whether the server has it.)</translation>
    </message>
    <message>
        <source>サーバーが一部の接続でMLSDを拒否したため、{list}個のフォルダーをLISTで一覧しました（MLSDでは{mlsd}個）。それらのページの更新日時は、サーバーの時計による分単位のものです。</source>
        <translation>The server refused MLSD on some connections, so {list} folders were listed with LIST ({mlsd} with MLSD). The times of their pages are the server&apos;s clock, to the minute.</translation>
    </message>
    <message>
        <source>、一覧 MLSD {mlsd}個・LIST {list}個</source>
        <translation>, listing MLSD {mlsd} folders, LIST {list} folders</translation>
    </message>
    <message>
        <source>、上位と同じため入らなかったフォルダー {count}</source>
        <translation>, folders not entered as one above them {count}</translation>
    </message>
    <message>
        <source>新しいサイトマップの URL は {new} 件で、サーバーのサイトマップ（{published} 件）の半分に足りません。</source>
        <translation>The new sitemap lists {new} URLs, fewer than half of the server&apos;s sitemap ({published} URLs).</translation>
    </message>
    <message>
        <source>新しいサイトマップ（{new} 件）は、中止または失敗した取得の一覧から作られています。サーバーのサイトマップは {published} 件です。</source>
        <translation>The new sitemap ({new} URLs) comes from the list of a stopped or failed retrieval. The server&apos;s sitemap lists {published} URLs.</translation>
    </message>
    <message>
        <source>それでもサーバーのサイトマップを置き換えますか？</source>
        <translation>Replace the server&apos;s sitemap all the same?</translation>
    </message>
    <message>
        <source>それでも置き換えるには --allow-shrink を付けてください。</source>
        <translation>To replace it all the same, add --allow-shrink.</translation>
    </message>
    <message>
        <source>サーバーが sitemap.xml の上書きの名前変更を受け付けないため、直接上書きしました。</source>
        <translation>The server does not rename a file over sitemap.xml, so sitemap.xml was stored over directly.</translation>
    </message>
    <message>
        <source>別の Site Wright が「{folder}」でサイトマップを作成またはアップロードしています。終わってからやり直してください。</source>
        <translation>Another Site Wright is writing or uploading the sitemap in “{folder}”. Try again when it has finished.</translation>
    </message>
    <message>
        <source>ページがひとつも見つからなかったため、以前のサイトマップ「{file}」を残しました。</source>
        <translation>No page was found, so the previous sitemap “{file}” was kept.</translation>
    </message>
    <message>
        <source>一覧にチェックされたページがありません。<byte value="xd"/>
以前のサイトマップを、URLのないサイトマップで置き換えますか？</source>
        <translation>No page in the list is ticked.<byte value="xd"/>
Replace the previous sitemap with a sitemap without any URL?</translation>
    </message>
    <message>
        <source>一覧は不完全です（取得が中止または失敗しました）</source>
        <translation>The list is incomplete (the retrieval was stopped or failed)</translation>
    </message>
    <message>
        <source>取得失敗</source>
        <translation>Retrieval failed</translation>
    </message>
    <message>
        <source>{file} を読み込めませんでした。サーバーの応答: {reply}</source>
        <translation>Could not read {file}. The server replied: {reply}</translation>
    </message>
    <message>
        <source>サイトの記憶は別のプログラムが使用中です。しばらくしてからやり直してください。</source>
        <translation>The site memory is locked by another program. Try again later.</translation>
    </message>
    <message>
        <source>サイトの記憶は別のプログラムが使用中です。記憶なしでは、チェックを外したページもチェックされます。もう一度試しますか？</source>
        <translation>The site memory is locked by another program. Without it, the pages you unticked are ticked again. Try again?</translation>
    </message>
    <message>
        <source>再試行</source>
        <translation>Retry</translation>
    </message>
    <message>
        <source>記憶しているページのうち {count}件がサーバーにありません。<byte value="xd"/>
{pages}<byte value="xd"/>
記憶から削除しますか？（削除しない場合、同じページについては再び尋ねません）</source>
        <translation>{count} remembered pages are not on the server.<byte value="xd"/>
{pages}<byte value="xd"/>
Remove them from the memory? (If you keep them, you will not be asked about the same pages again.)</translation>
    </message>
    <message>
        <source>WEBサイトURLは http:// か https:// で始め、ホスト名を含めてください（例: https://www.example.com）。</source>
        <translation>The site URL must begin with http:// or https:// and name a host (e.g. https://www.example.com).</translation>
    </message>
    <message>
        <source>ホームフォルダーがわからず、設定の置き場所がありません（HOME が未設定です）。</source>
        <translation>The home folder is unknown, so there is no place for the settings (HOME is not set).</translation>
    </message>
    <message>
        <source>サーバーが上位のフォルダーと同じものと示したフォルダー（{count}個）には入りませんでした。最初のフォルダー:</source>
        <translation>Folders the server names as one of the folders above them ({count}) were not entered. The first folder:</translation>
    </message>
    <message>
        <source>ほか {count}件</source>
        <translation>and {count} more</translation>
    </message>
    <message>
        <source>、更新日時のないページ {count}</source>
        <translation>, pages without a date {count}</translation>
    </message>
    <message>
        <source>使い方: site_wright [--help | --version]

FTP サーバー上のファイルから WEB サイトの sitemap.xml を作成するウィンドウを開
きます。スクリプトやタイマーからはコマンドライン sitewright を使います
（sitewright --help）。
</source>
        <translation>Usage: site_wright [--help | --version]

Opens the window that makes a web site&apos;s sitemap.xml from its files on the FTP
server. Scripts and timers use the command line sitewright instead (sitewright
--help).
</translation>
    </message>
    <message>
        <source>平文: 暗号化せずに接続しました。パスワードとファイル一覧は読み取られるおそれがあります。</source>
        <translation>Plain: connected without encryption. The password and the file list could be read by others.</translation>
    </message>
    <message>
        <source>プログラムのバージョン: {version}</source>
        <translation>Program version: {version}</translation>
    </message>
    <message>
        <source>リリース表記: </source>
        <translation>Release: </translation>
    </message>
    <message>
        <source>現在のリストを破棄し、サーバーからファイル一覧を取得し直します。（サイトマップは「サイトマップを作成」で書き出すまで変わりません）</source>
        <translation>The current list will be discarded and the file list fetched from the server again. (The sitemap stays as it is until “Create sitemap” writes it.)</translation>
    </message>
    <message>
        <source>ブラウザを開けませんでした。ファイルは次の場所にあります:<byte value="xd"/>
{file}</source>
        <translation>No browser could be opened. The file is here:<byte value="xd"/>
{file}</translation>
    </message>
    <message>
        <source>ブラウザを開けませんでした。次のアドレスをブラウザで開いてください:<byte value="xd"/>
{address}</source>
        <translation>No browser could be opened. Open this address in a browser:<byte value="xd"/>
{address}</translation>
    </message>
    <message>
        <source>サイトと接続</source>
        <translation>Site and connection</translation>
    </message>
    <message>
        <source>取得するファイル</source>
        <translation>Files to list</translation>
    </message>
    <message>
        <source>サイトマップ</source>
        <translation>Sitemap</translation>
    </message>
    <message>
        <source>新しいページ（サイトの記憶にまだないページ）</source>
        <translation>New page (not yet in the site memory)</translation>
    </message>
    <message>
        <source>--json と --quiet は同時に指定できません。</source>
        <translation>--json and --quiet cannot be given together.</translation>
    </message>
    <message>
        <source>結果を標準出力に書き込めませんでした。</source>
        <translation>The result could not be written to standard output.</translation>
    </message>
    <message>
        <source>一覧のページはすべてチェックされ、更新頻度と優先度はデフォルトに戻りました。</source>
        <translation>Every page in the list is checked again, and its change frequency and priority are back to the defaults.</translation>
    </message>
    <message>
        <source>使い方: sitewright forget --missing [--dir DIR] [--ext LIST]
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
</source>
        <translation>Usage: sitewright forget --missing [--dir DIR] [--ext LIST]
                          [--passphrase-stdin]

Walks the server&apos;s folders as generate does and removes from the site memory
(DIR/site_memory.db) the pages it holds that are not on the server. When a
folder cannot be walked, nothing is removed and the command fails (exit status
1), so that the pages in that folder are not removed too.

  --missing    removes the pages not on the server (required)
  --dir DIR    the folder of the settings files and the site memory (default:
               the program folder)
  --ext LIST   the extensions of the files to retrieve, separated by commas (as
               generate&apos;s --ext)
  --passphrase-stdin
               reads the passphrase of the SFTP key file from the first
               line of standard input (never stored)
  -h, --help   shows this help
</translation>
    </message>
    <message>
        <source>SSH サーバーに接続できません。</source>
        <translation>The SSH server cannot be reached.</translation>
    </message>
    <message>
        <source>このホストの鍵はまだ信頼されていません。</source>
        <translation>The host key of this host is not trusted yet.</translation>
    </message>
    <message>
        <source>警告: このホストの鍵が、信頼した鍵（または known_hosts の鍵）と違います。通信が傍受されているおそれがあります。接続しませんでした。</source>
        <translation>Warning: the host key of this host differs from the trusted one (or the one in known_hosts). The connection may be intercepted. Not connected.</translation>
    </message>
    <message>
        <source>SSH サーバーがログインを拒否しました（パスワード、エージェントの鍵、または鍵ファイル）。</source>
        <translation>The SSH server refused the login (password, agent keys or key file).</translation>
    </message>
    <message>
        <source>鍵ファイルのパスフレーズがないか、間違っています。</source>
        <translation>The passphrase of the key file is missing or wrong.</translation>
    </message>
    <message>
        <source>鍵ファイルを読めないか、秘密鍵ではありません。</source>
        <translation>The key file cannot be read or is no private key.</translation>
    </message>
    <message>
        <source>そのファイルまたはフォルダーはありません。</source>
        <translation>There is no such file or folder.</translation>
    </message>
    <message>
        <source>サーバーがアクセスを拒否しました。</source>
        <translation>The server refused access.</translation>
    </message>
    <message>
        <source>サーバーが要求を拒否しました。</source>
        <translation>The server refused the request.</translation>
    </message>
    <message>
        <source>アップロードするファイルを読めません。</source>
        <translation>The file to upload cannot be read.</translation>
    </message>
    <message>
        <source>フォルダーの項目が多すぎます。</source>
        <translation>The folder has too many entries.</translation>
    </message>
    <message>
        <source>SSH の接続が切れました。</source>
        <translation>The SSH connection was lost.</translation>
    </message>
    <message>
        <source>サーバーが時間内に応答しませんでした。</source>
        <translation>The server did not answer in time.</translation>
    </message>
    <message>
        <source>中止しました。</source>
        <translation>Stopped.</translation>
    </message>
    <message>
        <source>ホスト鍵: {type} {fingerprint}</source>
        <translation>Host key: {type} {fingerprint}</translation>
    </message>
    <message>
        <source>このホスト鍵を信頼する場合: sitewright configure --trust-host-key {fingerprint}</source>
        <translation>To trust this host key: sitewright configure --trust-host-key {fingerprint}</translation>
    </message>
    <message>
        <source>この鍵が本当にサーバーのものか確かめてから信頼してください。
この鍵を信頼して接続しますか？</source>
        <translation>Trust the key only after making sure it is the server&apos;s.
Trust this key and connect?</translation>
    </message>
    <message>
        <source>--trust-host-key: SHA256: に続けて 43 文字の base64 で指定してください</source>
        <translation>--trust-host-key: give SHA256: followed by 43 characters of base64</translation>
    </message>
    <message>
        <source>接続方式</source>
        <translation>Connection</translation>
    </message>
    <message>
        <source>鍵ファイル（SFTP）</source>
        <translation>Key file (SFTP)</translation>
    </message>
    <message>
        <source>鍵ファイル {file} のパスフレーズ:</source>
        <translation>Passphrase of the key file {file}:</translation>
    </message>
    <message>
        <source>--passphrase-stdin: 標準入力にパスフレーズの行がありません</source>
        <translation>--passphrase-stdin: no passphrase line on standard input</translation>
    </message>
    <message>
        <source>使い方: sitewright upload [--dir DIR] [--allow-shrink] [--passphrase-stdin]
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
</source>
        <translation>Usage: sitewright upload [--dir DIR] [--allow-shrink] [--passphrase-stdin]
                         [--robots-sitemap-line add]

Uploads DIR/sitemap.xml as sitemap.xml to the site&apos;s root folder on the FTP
server (the folder at login when the root folder is empty). When sitemap.xml is
an index, the files it lists are uploaded first and sitemap.xml last. A sitemap
without a single URL is not uploaded, since it would empty the server&apos;s (exit
status 1). Nor, without --allow-shrink, is a sitemap that lists fewer than half
the URLs of the server&apos;s sitemap.xml, or one made from a stopped or failed
retrieval (exit status 1).
After the upload, checks that the robots.txt at the site&apos;s root has a Sitemap:
line with the sitemap&apos;s address, and shows the line when it lacks one.
Every major search engine reads that line. When IndexNow is on, it then
notifies as notify does.

  --dir DIR       the folder of the settings files and sitemap.xml
                  (default: the program folder)
  --allow-shrink  uploads all the same
  --passphrase-stdin
                  reads the passphrase of the SFTP key file from the first
                  line of standard input (never stored)
  --robots-sitemap-line add
                  adds the Sitemap: line to robots.txt, keeping every other
                  byte, and creates the file when there is none
  -h, --help      shows this help
</translation>
    </message>
    <message>
        <source>使い方: sitewright notify [--dir DIR] [--json]

DIR/sitemap.xml のページのうち、前回の通知から加わった、更新日時（lastmod）が
変わった、またはなくなったページのアドレスを、IndexNow の送り先へ 10,000 件ず
つ送ります。IndexNow は参加している検索エンジンだけが読みます（すべての検索エン
ジンではありません）。configure --indexnow on で使えるようになります。
初めての通知では、キーファイル &lt;キー&gt;.txt を FTP でサイトのルートフォルダーに置
き、WEB サイトのアドレスから読めることを確かめるだけで、アドレスは送りません
（残りはサイトマップが伝えます）。受け付けられたアドレスだけを通知済みとして
サイトの記憶（DIR/site_memory.db）に記録し、残りは次回送ります。429（要求が多
すぎる）には待って何回か送り直します。失敗したときは終了ステータス 1 です。

  --dir DIR   設定ファイルと sitemap.xml のフォルダー
              （省略時: プログラムフォルダー）
  --json      結果を一つの JSON オブジェクトで表示します
  -h, --help  このヘルプを表示します
</source>
        <translation>Usage: sitewright notify [--dir DIR] [--json]

Sends the addresses of the pages of DIR/sitemap.xml added, whose modification
time (lastmod) changed, or gone since the last notification to the IndexNow
endpoint, 10,000 at a time. Only the search engines taking part in IndexNow
read it (not every engine). configure --indexnow on turns it on.
The first notification only puts the key file &lt;key&gt;.txt into the site&apos;s root
folder over FTP and checks that it can be read from the website&apos;s address; it
sends no address (the sitemap tells the rest). Only the addresses received are
recorded as notified in the site memory (DIR/site_memory.db); the rest go next
time. A 429 (too many requests) is waited out and sent again a few times. Exit
status 1 on failure.

  --dir DIR   the folder of the settings files and sitemap.xml
              (default: the program folder)
  --json      prints the result as one JSON object
  -h, --help  shows this help
</translation>
    </message>
    <message>
        <source>検索エンジンに通知する</source>
        <translation>Notify search engines</translation>
    </message>
    <message>
        <source>robots.txt にサイトマップの行があります: {line}</source>
        <translation>robots.txt has the sitemap line: {line}</translation>
    </message>
    <message>
        <source>robots.txt にサイトマップの行がありません。次の行を加えると、主な検索エンジンがすべてサイトマップを見つけます:
{line}</source>
        <translation>robots.txt has no sitemap line. With this line added, every major search engine finds the sitemap:
{line}</translation>
    </message>
    <message>
        <source>robots.txt がありません。次の行で作ると、主な検索エンジンがすべてサイトマップを見つけます:
{line}</source>
        <translation>There is no robots.txt. Made with this line, it lets every major search engine find the sitemap:
{line}</translation>
    </message>
    <message>
        <source>robots.txt は検索エンジンが読む大きさを超えているため変更しません。次の行を手で加えてください:
{line}</source>
        <translation>robots.txt is larger than search engines read, so it is not changed. Add this line by hand:
{line}</translation>
    </message>
    <message>
        <source>robots.txt に次の行を加えました: {line}</source>
        <translation>Added this line to robots.txt: {line}</translation>
    </message>
    <message>
        <source>robots.txt を確認できませんでした: {reason}</source>
        <translation>Could not check robots.txt: {reason}</translation>
    </message>
    <message>
        <source>サイトのルートの robots.txt に次の行を加えますか？ ほかの行はそのまま残ります。

{line}</source>
        <translation>Add this line to the robots.txt at the site&apos;s root? The other lines stay as they are.

{line}</translation>
    </message>
    <message>
        <source>robots.txt を確認しています</source>
        <translation>Checking robots.txt</translation>
    </message>
    <message>
        <source>加える</source>
        <translation>Add</translation>
    </message>
    <message>
        <source>sitewright upload --robots-sitemap-line add で加えられます</source>
        <translation>sitewright upload --robots-sitemap-line add adds it</translation>
    </message>
    <message>
        <source>時間内に答えがありません</source>
        <translation>no answer in time</translation>
    </message>
    <message>
        <source>中止しました</source>
        <translation>stopped</translation>
    </message>
    <message>
        <source>答えが大きすぎます</source>
        <translation>the answer is too large</translation>
    </message>
    <message>
        <source>別のホストへの転送を断りました: {address}</source>
        <translation>refused a redirect to another host: {address}</translation>
    </message>
    <message>
        <source>IndexNow のキーファイルをアップロードできませんでした: {reason}</source>
        <translation>Could not upload the IndexNow key file: {reason}</translation>
    </message>
    <message>
        <source>サイトが IndexNow のキーファイル {url} を返しません（{status}）。サイトのルートフォルダーと WEB サイトのアドレスが合っているか確認してください</source>
        <translation>The site does not serve the IndexNow key file {url} ({status}). Check that the site&apos;s root folder and the website address match</translation>
    </message>
    <message>
        <source>サイトの {url} がキーと違う内容を返しました</source>
        <translation>The site&apos;s {url} holds something other than the key</translation>
    </message>
    <message>
        <source>サイトの {url} が {status} を返しました</source>
        <translation>The site&apos;s {url} answered {status}</translation>
    </message>
    <message>
        <source>サイトの {url} を読めませんでした: {reason}</source>
        <translation>Could not read the site&apos;s {url}: {reason}</translation>
    </message>
    <message>
        <source>IndexNow は設定でオフです（sitewright configure --indexnow on で使えます）</source>
        <translation>IndexNow is off in the settings (sitewright configure --indexnow on turns it on)</translation>
    </message>
    <message>
        <source>サイトマップを読み取れないため、IndexNow に通知しませんでした</source>
        <translation>The sitemap cannot be read, so nothing was sent to IndexNow</translation>
    </message>
    <message>
        <source>サイトの記憶を使えないため、通知した内容を記録できませんでした（受け付けられたアドレス {received} 件）</source>
        <translation>The site memory cannot be used, so what was notified could not be recorded ({received} addresses received)</translation>
    </message>
    <message>
        <source>IndexNow の準備ができました（キーファイルを確認しました）。今回は何も送りません。次のアップロードから、変わったページを通知します</source>
        <translation>IndexNow is set up (the key file was checked). Nothing is sent this time; from the next upload on, changed pages are notified</translation>
    </message>
    <message>
        <source>前回の通知から変わったページはありません。何も送りませんでした</source>
        <translation>No page changed since the last notification; nothing was sent</translation>
    </message>
    <message>
        <source>IndexNow にアドレス {count} 件を送り、受け付けられました（{status}）</source>
        <translation>Sent {count} addresses to IndexNow, received ({status})</translation>
    </message>
    <message>
        <source>{count} 件のうち {received} 件が受け付けられました。残りは次回送ります</source>
        <translation>{received} of {count} addresses were received; the rest go next time</translation>
    </message>
    <message>
        <source>IndexNow が要求を不正として断りました（400）</source>
        <translation>IndexNow refused the request as bad (400)</translation>
    </message>
    <message>
        <source>IndexNow がキーを確認できませんでした（403）: キーファイルを読めないか、別のキーが書かれています</source>
        <translation>IndexNow could not verify the key (403): the key file cannot be read or holds another key</translation>
    </message>
    <message>
        <source>IndexNow が断りました（422）: このホストのものでないアドレスがあるか、キーがホストに合いません</source>
        <translation>IndexNow refused (422): an address is not of this host, or the key does not fit the host</translation>
    </message>
    <message>
        <source>IndexNow が要求が多すぎると答えました（429、{attempts} 回試しました）</source>
        <translation>IndexNow answered too many requests (429, tried {attempts} times)</translation>
    </message>
    <message>
        <source>IndexNow が {status} を返しました</source>
        <translation>IndexNow answered {status}</translation>
    </message>
    <message>
        <source>IndexNow から答えがありません: {reason}</source>
        <translation>No answer from IndexNow: {reason}</translation>
    </message>
    <message>
        <source>IndexNow のキーを作れませんでした（暗号用の乱数源を使えません）</source>
        <translation>Could not make an IndexNow key (the cryptographic random source cannot be used)</translation>
    </message>
    <message>
        <source>アップロード後に IndexNow で変わったページを通知する（アドレスを外部に送ります）</source>
        <translation>Notify changed pages through IndexNow after an upload (sends addresses to third parties)</translation>
    </message>
    <message>
        <source>IndexNow キー</source>
        <translation>IndexNow key</translation>
    </message>
    <message>
        <source>IndexNow の送り先</source>
        <translation>IndexNow endpoint</translation>
    </message>
    <message>
        <source>空欄は共有の送り先です。IndexNow は参加する検索エンジンだけが読みます。
robots.txt の Sitemap: 行は主な検索エンジンがすべて読みます</source>
        <translation>Empty: the shared endpoint. Only the search engines taking part read IndexNow.
Every major search engine reads the Sitemap: line of robots.txt</translation>
    </message>
    <message>
        <source>--indexnow-endpoint: http:// または https:// で始まるアドレスを指定してください</source>
        <translation>--indexnow-endpoint: give an address beginning with http:// or https://</translation>
    </message>
    <message>
        <source>IndexNow は設定でオフです。サイトの設定でオンにしてください</source>
        <translation>IndexNow is off in the settings. Turn it on in the site settings</translation>
    </message>
    <message>
        <source>使い方: sitewright &lt;command&gt; [options]
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
各コマンドのオプションは &quot;sitewright &lt;command&gt; --help&quot; で表示されます。
メッセージと結果はウィンドウと同じ言語で表示されます。

終了ステータス: 0 成功、1 失敗（理由は標準エラー出力）、2 コマンドラインの誤り
（「;」を含む WEB サイトのアドレスなど、設定に保存できない値を含む）
</source>
        <translation>Usage: sitewright &lt;command&gt; [options]
       sitewright --help | --version

Makes a website&apos;s sitemap.xml from the files on its FTP server.

Commands:
  configure   changes the stored site settings
  show        shows the stored site settings (the password masked)
  generate    walks the server&apos;s folders and makes sitemap.xml; with --upload
              it uploads it too
  upload      uploads the sitemap.xml made before to the site&apos;s root folder
  notify      tells search engines through IndexNow which pages changed since
              the last notification
  check       walks the folders and checks whether search engines index each
              page
  forget      removes pages that are not on the server from the site memory
              (--missing)
  memory      shows (list) or erases (reset) the site memory (unticked pages,
              changed change frequencies and priorities)

Every command accepts --dir DIR (the folder of the settings files and
sitemap.xml; by default the program folder). Commands other than configure need
that folder to exist; configure creates it if needed. &quot;sitewright &lt;command&gt;
--help&quot; shows each command&apos;s options. Messages and results are shown in the
same language as the window.

Exit status: 0 success, 1 failure (the reason on standard error), 2 a command
line mistake (including a value the settings cannot store, such as a website
address containing &quot;;&quot;)
</translation>
    </message>
    <message>
        <source>使い方: sitewright configure [--dir DIR] [--url URL] [--host HOST]
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
  --url URL          WEB サイトのアドレス。最後の &quot;/&quot; は不要です
                     （例: https://www.example.com）。「;」と制御文字は使用で
                     きません（終了ステータス 2）
  --host HOST        FTP のホスト名またはアドレス。HOST:PORT でポートも指定
                     できます
  --user USER        FTP のユーザー名
  --password-stdin   FTP のパスワードを標準入力の1行目から読み取ります
                     （パスワードそのものを受け取るオプションはありません）
  --root PATH        FTP サーバー上のサイトのルートフォルダー。&quot;/&quot; で始めます
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
                     済みの一覧に代わります（&quot;&quot; で空）。一致するフォルダーは一
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
  --key-file PATH    SFTP でログインに使う秘密鍵のファイル（&quot;&quot; で使わない）。
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
                     IndexNow の送り先（&quot;&quot; で共有の送り先
                     https://api.indexnow.org/indexnow）
  --check-pages on|off
                     取得の後に各ページを WEB サーバーに尋ね、検索エンジンが登
                     録しないページを除きます（既定値 off）
  --check-connections N
                     同時に確認するページ数: 1〜16（既定値 4）
  --stable-lastmod on|off
                     内容が変わったときだけ更新日時を進めます（既定値 on）
  -h, --help         このヘルプを表示します
</source>
        <translation>Usage: sitewright configure [--dir DIR] [--url URL] [--host HOST] [--user USER]
                            [--password-stdin] [--root PATH] [--changefreq F]
                            [--priority P] [--offset +HH:MM]
                            [--tls required|auto|off] [--trust-fingerprint FP]
                            [--connections N] [--protocol 0.84|0.9]
                            [--gzip on|off] [--exclude PATTERN]...
                            [--robots on|off] [--folder-addresses on|off]
                            [--index-names LIST] [--transport ftp|sftp]
                            [--key-file PATH] [--trust-host-key FP]
                            [--indexnow on|off] [--indexnow-endpoint URL]
                            [--check-pages on|off]
                            [--check-connections N] [--stable-lastmod on|off]

Changes the given settings and saves the two settings files (encrypted,
readable by the owner only). Settings not given keep their values.

  --dir DIR          the folder of the settings files (default: the program
                     folder)
  --url URL          the website&apos;s address, without a final &quot;/&quot; (for example
                     https://www.example.com). &quot;;&quot; and control characters
                     cannot be used (exit status 2)
  --host HOST        the FTP host name or address; HOST:PORT also gives the
                     port
  --user USER        the FTP user name
  --password-stdin   reads the FTP password from the first line of standard
                     input (no option takes the password itself)
  --root PATH        the site&apos;s root folder on the FTP server, beginning with
                     &quot;/&quot; (for example /public_html); empty means the folder at
                     login
  --changefreq F     the default change frequency: always, hourly, daily,
                     weekly, monthly, yearly, never
  --priority P       the default priority: 0.0, 0.1, ... 1.0
  --offset +HH:MM    the time zone offset given to every modification time (for
                     example +09:00, -05:30). For a server listed with LIST,
                     give the offset of the server&apos;s clock; the times of a
                     server that supports MLSD are exact in UTC, so it only
                     picks the zone they are written in
  --tls MODE         encryption of the connection: required (require TLS; no
                     login without it), auto (use TLS if available; the
                     default), off (no encryption)
  --trust-fingerprint FP
                     trusts a server certificate that cannot be verified, for
                     this host, only if it has this SHA-256 fingerprint
                     (SHA256:AB:CD:...). The error shown when a certificate is
                     refused gives its fingerprint. Another certificate is
                     refused again
  --connections N    the number of connections listing folders at once: 1 to 8
                     (default 4). With 2 or more each folder is listed once, by
                     its path. When the server refuses more connections, the
                     walk goes on with those it has
  --protocol 0.84|0.9
                     the sitemap format: 0.84 (Google Sitemap 0.84; the
                     default), 0.9 (sitemaps.org 0.9)
  --gzip on|off      compresses the files a sitemap is split into beyond 50,000
                     URLs or 50 MiB with gzip (sitemap-N.xml.gz); off by
                     default
  --exclude PATTERN  a path to exclude: a pattern of the path from the site&apos;s
                     root (for example /drafts/, */admin/*, *.bak.html,
                     /private*). &quot;*&quot; matches any text, a final &quot;$&quot; the end of
                     the path. May be given more than once or separated by
                     commas; replaces the stored list (&quot;&quot; empties it). Matching
                     folders are not listed
  --robots on|off    leaves out the paths the robots.txt at the site&apos;s root
                     disallows (default on)
  --folder-addresses on|off
                     writes a folder&apos;s index page as the folder&apos;s address, like
                     &quot;.../news/&quot; (default off)
  --index-names LIST the names of index pages, separated by commas
                     (default: index.html,index.htm,index.php)
  --transport ftp|sftp
                     how the server is reached (default ftp). With sftp,
                     HOST&apos;s port is 22 unless it names one; --tls is unused
  --key-file PATH    the private key file SFTP logs in with (&quot;&quot; for none).
                     Without a key file the password logs in, and without a
                     password the SSH agent (SSH_AUTH_SOCK)
  --trust-host-key FP
                     trusts the SFTP server&apos;s host key for this host only when
                     its SHA-256 fingerprint is FP (SHA256:...). Keys in
                     ~/.ssh/known_hosts are trusted without it
  --indexnow on|off  after an upload, sends the addresses of changed pages
                     through IndexNow (default off; it sends addresses to third
                     parties). The key is made when it is first turned on
  --indexnow-endpoint URL
                     where IndexNow notifications go (&quot;&quot; for the shared one,
                     https://api.indexnow.org/indexnow)
  --check-pages on|off
                     after the walk asks the web server for each page and
                     leaves out those search engines do not index (default
                     off)
  --check-connections N
                     the number of pages checked at once: 1 to 16 (default 4)
  --stable-lastmod on|off
                     moves a modification time only when the page&apos;s content
                     changed (default on)
  -h, --help         shows this help
</translation>
    </message>
    <message>
        <source>使い方: sitewright generate [--dir DIR] [--ext LIST] [--upload]
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
きます。URL 数 50,000 件または 50 MiB を超えるときは sitemap-&lt;日時&gt;-1.xml、…
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
</source>
        <translation>Usage: sitewright generate [--dir DIR] [--ext LIST] [--upload]
                           [--max-folders N] [--max-rows N] [--allow-shrink]
                           [--passphrase-stdin] [--robots-sitemap-line add]
                           [--quiet | --json]

Logs in to the FTP server, walks the site&apos;s root folder and every folder below
it, and writes to DIR/sitemap.xml a URL for each file whose extension is in
LIST, with its modification time and the default change frequency and priority.
Pages unticked in the window are left out, and change frequencies and
priorities changed in the window are kept (the site memory in
DIR/site_memory.db; the sitemap is the same as the window&apos;s). Folders that
cannot be entered, folders whose listing cannot be read and folders deeper than
64 levels are reported on standard error and left out. Ctrl-C (or SIGTERM)
stops at once. When stopped, when failed or when a limit is reached, no sitemap
is written and the previous sitemap.xml stays as it was. Excluded paths and
paths robots.txt disallows are left out. Beyond 50,000 URLs or 50 MiB the
sitemap is split into sitemap-&lt;time&gt;-1.xml, ... and sitemap.xml becomes their
index. Only one generate runs in a folder at a time. With the setting
&quot;check pages&quot;, pages search engines do not index are reported on standard
error with their reason and left out.

  --dir DIR          the folder of the settings files and sitemap.xml
                     (default: the program folder)
  --ext LIST         the extensions of the files to retrieve, separated by
                     commas (default: .htm,.html,.php,.cgi)
  --upload           then uploads sitemap.xml to the site&apos;s root folder. When
                     no file was found, nothing is written or uploaded (exit
                     status 1)
  --allow-shrink     uploads even when the sitemap lists fewer than half the
                     server&apos;s URLs
  --robots-sitemap-line add
                     after the upload, adds the Sitemap: line to robots.txt,
                     as upload does
  --max-folders N    fails when about to enter more than N folders
                     (default: 100000)
  --max-rows N       fails when more than N files are found
                     (default: 1000000)
  --passphrase-stdin
                     reads the passphrase of the SFTP key file from the first
                     line of standard input (never stored)
  --quiet            prints only the closing summary line (warnings and
                     failures still go to standard error)
  --json             prints the result (counts, files written, upload,
                     problems) as one JSON object; the reason of a failure also
                     goes to standard error (its keys: see sitewright(1))
  -h, --help         shows this help
</translation>
    </message>
    <message>
        <source>公開ページを確認する</source>
        <translation>Check the published pages</translation>
    </message>
    <message>
        <source>取得の後、各ページを WEB サーバーに尋ね、検索エンジンが登録しないページ
（404、転送、noindex、別の正規 URL、確認用ファイル）のチェックを外します</source>
        <translation>After the retrieval, asks the web server for each page and unticks those
search engines do not index (404, redirects, noindex, another canonical URL, ...)</translation>
    </message>
    <message>
        <source>同時に確認する数</source>
        <translation>Pages checked at once</translation>
    </message>
    <message>
        <source>内容が変わったときだけ更新日時を進める</source>
        <translation>Move the modification time only when the content changes</translation>
    </message>
    <message>
        <source>登録できます</source>
        <translation>Indexable</translation>
    </message>
    <message>
        <source>ページがありません（{status}）</source>
        <translation>Not found ({status})</translation>
    </message>
    <message>
        <source>転送されます（{status}）: {target}</source>
        <translation>Redirected ({status}): {target}</translation>
    </message>
    <message>
        <source>noindex が指定されています</source>
        <translation>Marked noindex</translation>
    </message>
    <message>
        <source>正規 URL は別のアドレスです: {target}</source>
        <translation>The canonical URL is another address: {target}</translation>
    </message>
    <message>
        <source>前回の確認から変わっていません</source>
        <translation>Unchanged since the last check</translation>
    </message>
    <message>
        <source>検索エンジンの所有者確認用ファイルです</source>
        <translation>A search engine&apos;s ownership verification file</translation>
    </message>
    <message>
        <source>.htaccess が指定するエラーページです</source>
        <translation>An error page named by .htaccess</translation>
    </message>
    <message>
        <source>確認できません: サーバーエラー（{status}）</source>
        <translation>Not checked: server error ({status})</translation>
    </message>
    <message>
        <source>確認できません: 応答 {status}</source>
        <translation>Not checked: answer {status}</translation>
    </message>
    <message>
        <source>確認できません: 時間切れ</source>
        <translation>Not checked: timed out</translation>
    </message>
    <message>
        <source>確認できません: 接続できません</source>
        <translation>Not checked: no connection</translation>
    </message>
    <message>
        <source>確認できません: 証明書を検証できません</source>
        <translation>Not checked: the certificate cannot be verified</translation>
    </message>
    <message>
        <source>確認できません: 中止しました</source>
        <translation>Not checked: stopped</translation>
    </message>
    <message>
        <source>除外: {address}: {reason}</source>
        <translation>Left out: {address}: {reason}</translation>
    </message>
    <message>
        <source>ページの確認: 確認 {checked}、除外 {left}、確認できない {unknown}、内容が変わらず更新日時を保ったもの {kept}</source>
        <translation>Page check: checked {checked}, left out {left}, not checked {unknown}, modification times kept for unchanged content {kept}</translation>
    </message>
    <message>
        <source>{site} の証明書を検証できないため、そのページは確認していません: {reason}</source>
        <translation>The pages of {site} were not checked: its certificate cannot be verified: {reason}</translation>
    </message>
    <message>
        <source>ページの確認を中止しました。</source>
        <translation>The page check was stopped.</translation>
    </message>
    <message>
        <source>ページを確認中 {done}/{total}</source>
        <translation>Checking pages {done}/{total}</translation>
    </message>
    <message>
        <source>確認で除外 {count}</source>
        <translation>Left out by the check {count}</translation>
    </message>
    <message>
        <source>ページを確認するには WEB サイト URL が必要です。</source>
        <translation>Checking pages needs the website URL.</translation>
    </message>
    <message>
        <source>使い方: sitewright check [--dir DIR] [--ext LIST] [--passphrase-stdin] [--json]

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
</source>
        <translation>Usage: sitewright check [--dir DIR] [--ext LIST] [--passphrase-stdin] [--json]

Walks the server&apos;s folders as generate does, asks the web server for the
address of each page found and prints, one line per address, whether search
engines index it (indexable, not found, redirected, noindex, another canonical
URL, verification file, error page, not checked). Writes nothing and leaves the
site memory as it is. Checks whatever the setting &quot;check pages&quot; says.

  --dir DIR    the folder of the settings files (default: the program folder)
  --ext LIST   the extensions of the files to retrieve, separated by commas
               (as generate&apos;s --ext)
  --json       prints the result as one JSON object; pages holds one object
               per address (address, verdict, status, target)
  --passphrase-stdin
               reads the passphrase of the SFTP key file from the first line
               of standard input (never stored)
  -h, --help   shows this help
</translation>
    </message>
    <message>
        <source>フォルダーを読む権限がないため、その中のページは一覧にありません。</source>
        <translation>: the server does not let this user read the folder, so its pages are not in the list.</translation>
    </message>
    <message>
        <source>、一覧 SFTP</source>
        <translation>, listing SFTP</translation>
    </message>
</context>
</TS>
