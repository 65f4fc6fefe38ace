<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<title>Sonavia Plus - Sonavia Plus</title>
<link rel="stylesheet" href="style.css">
</head>
<body>
<nav><a href="index.php">Sonavia Plus</a><a href="support.php">Help</a><a href="download.php">Download</a><a href="color.php">Upgrade</a><a href="watchtv.php">Watch TV</a><a href="skins.php">Skins</a><a href="channels.php">Channels</a><a href="store.php">Shopping</a></nav>
<h1>Sonavia Plus</h1>
<p>Sonavia Plus is an internet radio player for the Linux desktop. Pick a country and one of its
stations, or let the player pick one at random, and the station plays. The player lives in the
tray; its one window is skinned, with volume, mute, a hue slider that recolours the whole window,
a level meter and a film strip.</p>
<p>It comes with a catalogue of public radio stations from many countries, so it plays radio on
its first start. The stations, their countries and their stream addresses are not built into the
program: they are read at every start from a catalogue, which anyone can make and serve.</p>
<h2>On these pages</h2>
<ul>
<li><a href="support.php">Help</a>: how to use the radio window and the tray icon, and how to set the player up.</li>
<li><a href="download.php">Download</a>: the version you have, and how to build the player from its source.</li>
<li><a href="color.php">Upgrade</a>: more channels, and a newer player.</li>
<li><a href="watchtv.php">Watch TV</a>: where to watch the broadcasters' TV channels.</li>
<li><a href="skins.php">Skins</a>: change the colour of the player, or make a skin of your own with <code>radiopack</code>.</li>
<li><a href="channels.php">Channels</a>: run your own station catalogue with <code>radiocat</code>.</li>
<li><a href="store.php">Shopping</a>: the shopping topics list and where it comes from.</li>
</ul>
</body>
</html>
