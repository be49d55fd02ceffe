{#Head,Welcome}
<< Author note: Head, Header and Footer are macros of demo1.mcr - edit them once and
<< every page of the site changes at the next build.
<body>
{#Header}
<main class="page">
<h1>Welcome to the Greenfield Garden Club</h1>
<p class="lead">We are forty-two gardeners who share a sunny plot at the edge of town.
Vegetables, fruit, flowers and a lot of good advice grow here side by side - and visitors
are always welcome.</p>
<< Author note: both boxes use the macro Box. The extension (.Tip or .News) makes its
<< placeholders Kind and Icon look up KindTip and IconTip, or KindNews and IconNews.
<div class="boxes">
{#Box.Tip,Tip of the month,Water your tomatoes early in the morning and never in the midday sun.}
{#Box.News,Club news,Our spring plant swap takes place on the first Saturday in May.}
</div>
<section class="hours">
<h2>{#Hours[1]}</h2>
<p>{#"<br>"Hours[2-L]}</p>
</section>
<h2>Membership fees</h2>
<< Author note: the empty width="" attributes disappear when the page is built
<< (option "Remove unused Tagattributes").
<table>
<tr><th width="">Membership</th><th width="" class="num">Per year</th></tr>
<tr><td width="">Single membership</td><td class="num">24.00 EUR</td></tr>
<tr><td width="">Family membership</td><td class="num">36.00 EUR</td></tr>
<tr><td width="">Students and pensioners</td><td class="num">12.00 EUR</td></tr>
<tr><td width="">Own garden bed (per season)</td><td class="num">15.00 EUR</td></tr>
</table>
<p>Would you like to join? Drop by during our opening hours or see the
<a href="second1.htm">events</a> for the next open day.</p>
</main>
{#Footer}
</body>
</html>
