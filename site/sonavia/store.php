<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<title>Shopping - Sonavia Plus</title>
<link rel="stylesheet" href="style.css">
</head>
<body>
<nav><a href="index.php">Sonavia Plus</a><a href="support.php">Help</a><a href="download.php">Download</a><a href="color.php">Upgrade</a><a href="watchtv.php">Watch TV</a><a href="skins.php">Skins</a><a href="channels.php">Channels</a><a href="store.php">Shopping</a></nav>
<h1>Shopping topics</h1>
<p>The drop-down list in the radio window offers shopping topics. Choosing one opens the topic
page below the catalogue's shopping root in the browser pane, with the blanks of the topic
written as dashes.</p>
<p>The bundled catalogue has no shopping topics. A catalogue gets them from its builder:</p>
<pre>radiocat build stations.tsv mycatalogue --shopping-root https://shop.example.org/ --shopping topics.txt</pre>
<p>where <code>topics.txt</code> holds one topic a line. Without a catalogue list, the player
offers the topics of its built-in copy.</p>
</body>
</html>
