<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<title>Download - Sonavia Plus</title>
<link rel="stylesheet" href="style.css">
</head>
<body>
<nav><a href="index.php">Sonavia Plus</a><a href="support.php">Help</a><a href="download.php">Download</a><a href="color.php">Upgrade</a><a href="watchtv.php">Watch TV</a><a href="skins.php">Skins</a><a href="channels.php">Channels</a><a href="store.php">Shopping</a></nav>
<h1>Download</h1>
<p>You are running Sonavia Plus version <b>@SONAVIA_VERSION@</b>.</p>
<p>At every start the player reads the version published in
<code>channelsplus/versionplus.txt</code> beside these pages. When a newer version is published
there, the <b>Download latest version</b> button names it and flashes.</p>
<h2>Installing</h2>
<p>On Debian 12, the package installs the player with everything it needs, a launcher in the
desktop's menu and its icon:</p>
<pre>sudo apt install ./sonavia-plus_@SONAVIA_VERSION@_amd64.deb</pre>
<p>A newer package installed the same way replaces the player; your settings stay.</p>
<h2>Building from source</h2>
<p>On Debian 12, one command installs what is needed, builds the player and starts it:</p>
<pre>bash scripts/run.sh</pre>
<p>and one runs every test:</p>
<pre>bash scripts/test.sh</pre>
<p>The package is made from the build:</p>
<pre>cd build &amp;&amp; cpack -G DEB</pre>
</body>
</html>
