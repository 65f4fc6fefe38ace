<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<title>Upgrade - Sonavia Plus</title>
<link rel="stylesheet" href="style.css">
</head>
<body>
<nav><a href="index.php">Sonavia Plus</a><a href="support.php">Help</a><a href="download.php">Download</a><a href="color.php">Upgrade</a><a href="watchtv.php">Watch TV</a><a href="skins.php">Skins</a><a href="channels.php">Channels</a><a href="store.php">Shopping</a></nav>
<h1>Upgrade: more channels</h1>
<p>Sonavia Plus plays the stations of its catalogue. The catalogue that comes with it holds a
selection of public stations from many countries, with the addresses their broadcasters publish.
There are two ways to more channels, and one to a newer player.</p>
<h2>A bigger catalogue</h2>
<p>A catalogue server can offer far more stations: the player reads its catalogue from the
server that <code>SONAVIA_CATALOGUE_BASE</code> names, at every start.</p>
<pre>SONAVIA_CATALOGUE_BASE=https://radio.example.org/ sonavia</pre>
<p>To keep it for every start, the launcher's included, set the variable where your desktop
session reads its environment, such as <code>~/.profile</code>.</p>
<h2>Your own stations</h2>
<p>Any list of stations becomes a catalogue with <code>radiocat</code>: see
<a href="channels.php">Channels</a>. Stations you add there play like the bundled ones, and
<b>Random Channel</b> picks among them too.</p>
<h2>A newer player</h2>
<p>When a newer version of Sonavia Plus is published, the <b>Download latest version</b> button
flashes; the <a href="download.php">Download</a> page tells the version you have and how to
install another. Your settings, your last station and the skin colour stay as they are.</p>
</body>
</html>
