<!DOCTYPE html>
<html lang="ja">
<head><meta charset="UTF-8"><title>商品カタログ - サンプル商店</title></head>
<body>
<h1>商品カタログ</h1>
<p>Q&amp;A も用意しています。</p>
<p><a href="/index.html">トップへ</a></p>
</body>
</html>
