<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<title>Watch TV - Sonavia Plus</title>
<link rel="stylesheet" href="style.css">
</head>
<body>
<nav><a href="index.php">Sonavia Plus</a><a href="support.php">Help</a><a href="download.php">Download</a><a href="color.php">Upgrade</a><a href="watchtv.php">Watch TV</a><a href="skins.php">Skins</a><a href="channels.php">Channels</a><a href="store.php">Shopping</a></nav>
<h1>Watch TV</h1>
<p>Sonavia Plus is made for listening: it plays the sound of radio stations, and shows no
pictures. Watching TV is a job for a web browser.</p>
<h2>Live TV from the broadcasters</h2>
<p>Many of the public broadcasters whose radio stations are in the catalogue also show their TV
channels live, or their programmes on demand, on their own web sites. To find one, type the
broadcaster's name in the search box of the radio window and press <b>Go</b>: the results open in
the browser pane below the window, and the broadcaster's site opens from there. Whether a
channel plays depends on the broadcaster: some show their channels only in their own country, and
some only in a full web browser or in their own apps.</p>
<h2>Radio while you watch</h2>
<p>Sonavia Plus plays on in the tray while another program shows a picture. <b>Mute</b> silences
it for a moment without stopping the stream, and the tray icon's menu stops and resumes it.</p>
</body>
</html>
