{#HtmlStart}
{#Head.Home}
<< Author note: the layout (head, menu, footer, price rows) lives in the basis group demo2.mcr;
<< every text comes from english.mcr or deutsch.mcr, which define the same macro names.
<< Build the project to get english/index2.htm and deutsch/index2.htm from this one file.
<body>
<header class="site">
{#Brand}
<div class="bar">
{#Menu}
<< Author note: Switch links to the same page in the other language; its parameter is the file.
{#Switch,index2.htm}
</div>
</header>
<main class="page">
<section class="hero">
<h1>{#Welcome}</h1>
<p>{#Intro}</p>
</section>
<div class="notes">
{#Note.Tip}
{#Note.News}
</div>
<h2>{#PricesHead}</h2>
<< Author note: Prices is a list of Row placeholders; Row gets name, euros and cents as
<< parameters and puts the decimal sign of the language (the macro Decimal) between them.
<table>
<tr><th width="">{#ColProduct}</th><th class="num">{#ColPrice}</th></tr>
{#Prices}
</table>
</main>
{#Footer}
</body>
</html>
