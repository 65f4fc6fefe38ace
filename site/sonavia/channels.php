<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<title>Channels - Sonavia Plus</title>
<link rel="stylesheet" href="style.css">
</head>
<body>
<nav><a href="index.php">Sonavia Plus</a><a href="support.php">Help</a><a href="download.php">Download</a><a href="color.php">Upgrade</a><a href="watchtv.php">Watch TV</a><a href="skins.php">Skins</a><a href="channels.php">Channels</a><a href="store.php">Shopping</a></nav>
<h1>Channels: your own catalogue</h1>
<p>Sonavia Plus plays radio. Its stations come from a catalogue: a folder of small text files
that the player reads from a server or from a local folder. You can make your own with
<code>radiocat</code>.</p>
<h2>A station list</h2>
<p>Write one station a line, five columns separated by tabs: country, name, description, stream
address, and 1 when the station is offered (0 lists it nowhere). The text is UTF-8; a line whose
first character is <code>#</code> is a comment.</p>
<pre># country	name	description	stream address	offered
France	FIP	Eclectic music	https://icecast.radiofrance.fr/fip-midfi.mp3	1</pre>
<h2>Building and checking</h2>
<pre>radiocat build stations.tsv mycatalogue
radiocat check mycatalogue</pre>
<p><code>build</code> reports every fault of the list with its line and writes nothing until the
list is sound; it then replaces the folder in one step. <code>check</code> reads a folder as the
player does and reports every problem: a count that disagrees with the stations, a name used
twice, a line the player would cut at a <code>#</code>, missing flags or address files.</p>
<h2>Using it</h2>
<p>Serve the folder with any web server, or use it where it lies:</p>
<pre>SONAVIA_CATALOGUE_BASE=file:///home/me/mycatalogue/ sonavia
SONAVIA_CATALOGUE_BASE=http://radio.example.org/ sonavia</pre>
</body>
</html>
