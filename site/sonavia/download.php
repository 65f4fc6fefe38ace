<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<title>Download - Sonavia Plus</title>
<link rel="stylesheet" href="style.css">
</head>
<body>
<nav><a href="index.php">Sonavia Plus</a><a href="support.php">Help</a><a href="download.php">Download</a><a href="color.php">Skins</a><a href="watchtv.php">Channels</a><a href="store.php">Shopping</a></nav>
<h1>Download</h1>
<p>You are running Sonavia Plus version <b>@SONAVIA_VERSION@</b>.</p>
<p>At every start the player reads the version published in
<code>channelsplus/versionplus.txt</code> beside these pages. When a newer version is published
there, the <b>Download latest version</b> button names it and flashes.</p>
<h2>Building from source</h2>
<p>On Debian 12, one command installs what is needed, builds the player and starts it:</p>
<pre>bash scripts/run.sh</pre>
<p>and one runs every test:</p>
<pre>bash scripts/test.sh</pre>
</body>
</html>
