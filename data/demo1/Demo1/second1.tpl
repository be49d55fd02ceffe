{#Head,Events}
<< Author note: the parameter "Events" of Head becomes the page title.
<body>
{#Header}
<main class="page">
<h1>Events</h1>
<p class="lead">Come along - every event is free and open to visitors. Between events the
garden gate is open too ({#Hours[2]}).</p>
<table>
<tr><th width="">Date</th><th>Event</th><th>Where</th></tr>
<tr><td>Saturday, 3 May</td><td>Spring plant swap</td><td>Club house</td></tr>
<tr><td>Sunday, 15 June</td><td>Open garden day with guided tours</td><td>Whole garden</td></tr>
<tr><td>Friday, 11 July</td><td>Summer evening barbecue</td><td>Orchard</td></tr>
<tr><td>Saturday, 27 September</td><td>Harvest festival and pumpkin contest</td><td>Club house</td></tr>
</table>
<p><strong>Please note:</strong> {#Hours[L]}.</p>
<< Author note: a backslash before the opening brace keeps a placeholder as plain text,
<< so the examples below show up on the page instead of being replaced.
<section class="howto">
<h2>How this page was made</h2>
<p>This page is the template second1.tpl. Larkspan replaced every macro placeholder in it
by the text of the macro it names:</p>
<ul>
<li><code>\{#Head,Events}</code> - the page head; its parameter <em>Events</em> became the
page title.</li>
<li><code>\{#Header}</code> and <code>\{#Footer}</code> - written once, used on every
page.</li>
<li><code>\{#Hours[2]}</code> - only the second line of the macro Hours; <code>[L]</code>
picks its last line, <code>[2-L]</code> everything from the second line on.</li>
<li><code>\{#"&lt;br&gt;"Address}</code> - every line of the address followed by a line
break, as in the footer.</li>
<li><code>\{#Box.Tip,Title,Text}</code> - one box layout, dressed by the extension
<em>.Tip</em> and filled by two parameters.</li>
<li><code>\{#"%d %B %Y"_DATE_AND_TIME_}</code> - the date of the build.</li>
<li>Lines starting with <code>&lt;&lt;</code> are notes for the author and never reach the
page.</li>
</ul>
</section>
</main>
{#Footer}
</body>
</html>
