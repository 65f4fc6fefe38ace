<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<title>Help - Sonavia Plus</title>
<link rel="stylesheet" href="style.css">
</head>
<body>
<nav><a href="index.php">Sonavia Plus</a><a href="support.php">Help</a><a href="download.php">Download</a><a href="color.php">Upgrade</a><a href="watchtv.php">Watch TV</a><a href="skins.php">Skins</a><a href="channels.php">Channels</a><a href="store.php">Shopping</a></nav>
<h1>Help</h1>
<h2>Playing radio</h2>
<ul>
<li>Choose a country in the country list, then a station in the station list: it starts to play.
The level meter lights up once the stream has buffered.</li>
<li><b>Random Channel</b> plays a station chosen at random.</li>
<li>The slider beside the speaker sets the volume; the box beside it mutes the sound.</li>
<li>The hue slider turns the colour of the whole window; the player remembers it.</li>
<li><b>Hide</b> closes the window and leaves the radio playing in the tray.</li>
</ul>
<h2>The tray icon</h2>
<ul>
<li>A double-click on the icon opens the window again.</li>
<li>A click shows its menu: <b>Open</b>, <b>Random Channel</b>, <b>Stop/Resume</b> (stops the
station, or plays it again) and <b>Exit</b>.</li>
<li>While the window is open, a click on the icon brings it to the front.</li>
</ul>
<p>Some panels (KDE Plasma, GNOME with the AppIndicator extension) pass on no double-click: there
a click opens the window and a right-click shows the menu. On a desktop without a tray,
<b>Hide</b> sends the window to the task bar instead.</p>
<p>The player remembers the last station and plays it again at the next start.</p>
<h2>Searching and browsing</h2>
<p>Type a text in the search box and press <b>Go</b> to search the web; the results, and every
page the link buttons open, show in the browser pane below the window. <b>Launch Browser</b>
opens and closes the pane.</p>
<h2>When a station does not play</h2>
<p>If the address of a station cannot be read, the player says so. A station whose stream cannot
be reached stays silent; choose another one. Streams change now and then: the catalogue holds
the addresses that the broadcasters publish.</p>
<h2>Settings</h2>
<p>The player keeps its settings, its last station and its copy of <code>Interface/radio.int</code>
in its start-up folder: <code>~/.local/share/sonavia-plus</code> (below
<code>$XDG_DATA_HOME</code> when that is set) for an installed player, the build folder for one
started from its source. These variables point it elsewhere:</p>
<table>
<tr><th>Variable</th><th>Meaning</th><th>Default</th></tr>
<tr><td><code>SONAVIA_CATALOGUE_BASE</code></td><td>where the station catalogue lies (a server, or a <code>file://</code> folder)</td><td>the bundled catalogue</td></tr>
<tr><td><code>SONAVIA_SITE_BASE</code></td><td>where these pages lie</td><td>the bundled pages</td></tr>
<tr><td><code>SONAVIA_SEARCH_BASE</code></td><td>the web search engine that <b>Go</b> asks</td><td>the public Google search</td></tr>
<tr><td><code>SONAVIA_AUDIO_SINK</code></td><td>the audio output (for example <code>fakesink</code> on a machine without sound)</td><td>the system's default output</td></tr>
</table>
</body>
</html>
