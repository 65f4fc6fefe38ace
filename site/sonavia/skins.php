<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<title>Skins - Sonavia Plus</title>
<link rel="stylesheet" href="style.css">
</head>
<body>
<nav><a href="index.php">Sonavia Plus</a><a href="support.php">Help</a><a href="download.php">Download</a><a href="color.php">Upgrade</a><a href="watchtv.php">Watch TV</a><a href="skins.php">Skins</a><a href="channels.php">Channels</a><a href="store.php">Shopping</a></nav>
<h1>Skins and colours</h1>
<p>The hue slider turns every coloured part of the window to any colour; the text, the displays
and the buttons keep their look.</p>
<h2>Making a skin</h2>
<p>The window is drawn entirely from the bitmaps in <code>Interface/radio.int</code>, an archive
beside the program. <code>radiopack</code> packs a folder of bitmaps into such an archive, lists an
archive and takes entries out of it, so a skin starts from the one you have:</p>
<pre>radiopack list Interface/radio.int
radiopack extract Interface/radio.int go.bmp go.bmp
radiopack extract Interface/radio.int go.bmp go-green.bmp --hue 120
radiopack pack myskin/ Interface/radio.int</pre>
<p>Take out every entry, change the bitmaps (keep their names and sizes), and pack the folder
again. <code>--hue</code> shows how a bitmap looks at another position of the hue slider. The
archive also holds the built-in copies of the station catalogue (<code>channels.rd</code>) and
of the shopping list (<code>shopping.rd</code>), which the player uses when its catalogue cannot
be read.</p>
</body>
</html>
