<!DOCTYPE html>
<html lang="ja">
<head><meta charset="UTF-8"><title>お問い合わせ - サンプル商店</title></head>
<body>
<h1>お問い合わせ</h1>
<p>PHP のページもサイトマップに入ります。</p>
<p><a href="/index.html">トップへ</a></p>
</body>
</html>
