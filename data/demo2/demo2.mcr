{:HtmlStart:1735689600:}
<!DOCTYPE html>
<html lang="{#LangCode}">
{:Head:1735689600:}
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<meta name="generator" content="Larkspan PLUS">
<title>{#Title}</title>
<style>
* { box-sizing: border-box; }
body { margin: 0; background: #f6efe4; color: #3b2f25; line-height: 1.6;
  font-family: 'Trebuchet MS', Verdana, Arial, sans-serif; }
header.site { background: #7a4a26; color: #fff7ec; }
header.site, .page, footer.site { padding-left: max(24px, calc(50% - 440px));
  padding-right: max(24px, calc(50% - 440px)); }
header.site { padding-top: 22px; }
.brand { display: flex; align-items: center; gap: 14px; flex-wrap: wrap; }
.logo { width: 48px; height: 48px; }
.name { font: bold 1.7em Georgia, 'Times New Roman', serif; }
.slogan { flex-basis: 100%; margin: 2px 0 14px; color: #f3d9b8; font-style: italic; }
.bar { display: flex; justify-content: space-between; align-items: flex-end; flex-wrap: wrap; }
.menu a { display: inline-block; padding: 9px 16px; color: #fff7ec; text-decoration: none;
  border-radius: 8px 8px 0 0; }
.menu a[href]:hover { background: #f6efe4; color: #7a4a26; }
.menu a.soon { color: #c9a584; cursor: default; }
a.lang { display: inline-block; margin-bottom: 8px; padding: 3px 12px; color: #7a4a26;
  background: #f2c14e; border-radius: 14px; text-decoration: none; font-size: 0.9em; }
.page { background: #fffaf3; padding-top: 20px; padding-bottom: 36px; }
h1, h2 { font-family: Georgia, 'Times New Roman', serif; color: #7a4a26; }
.hero h1 { font-size: 2.3em; margin: 10px 0 4px; }
.hero p { font-size: 1.12em; max-width: 40em; }
.notes { display: flex; flex-wrap: wrap; gap: 16px; margin: 24px 0; }
.note { flex: 1 1 260px; padding: 14px 18px; border-radius: 12px; }
.note strong { display: block; font-size: 1.1em; }
.note-tip { background: #fdf0cf; border: 2px dashed #e0a82e; }
.note-news { background: #e9f2e3; border: 2px solid #8bb174; }
table { border-collapse: collapse; width: 100%; max-width: 560px; }
th, td { padding: 8px 12px; border-bottom: 1px dotted #c9a584; text-align: left; }
th { color: #7a4a26; border-bottom: 2px solid #7a4a26; }
.num { text-align: right; white-space: nowrap; }
pre.code { background: #3b2f25; color: #f6efe4; padding: 14px 18px; border-radius: 10px;
  overflow: auto; font-size: 0.9em; }
footer.site { background: #3b2f25; color: #e8d8c3; padding-top: 20px; padding-bottom: 20px;
  font-size: 0.92em; }
footer.site .cols { display: flex; flex-wrap: wrap; gap: 40px; }
footer.site address { font-style: normal; }
footer.site .small { color: #a8927a; margin-bottom: 0; }
</style>
</head>
{:Brand:1735689600:}
<div class="brand">
<img class="logo" src="../../img/lk1.gif" width="48" height="48" alt="">
<span class="name">{#Address[1]}</span>
<span class="slogan">{#Slogan}</span>
</div>
{:Menu:1735689600:}
<nav class="menu">
<a href="index2.htm">{#MenuHome}</a>
<a href="about2.htm">{#MenuAbout}</a>
<a href="#" class="soon">{#MenuShop}</a>
</nav>
{:Address:1735689600:}
Lakeside Bakery
Seestrasse 12
78462 Konstanz
Tel. +49 7531 000000
{:Note:1735689600:}
<aside class="note note-{#Kind}">
<strong>{#NoteHead}</strong>
{#NoteText}
</aside>
{:KindTip:1735689600:}
tip
{:KindNews:1735689600:}
news
{:Row:1735689600:}
<tr><td width="">{#_MACRO_PARAM_0}</td><td class="num">{#_MACRO_PARAM_1}{#Decimal}{#_MACRO_PARAM_2}&nbsp;&euro;</td></tr>
{:Footer:1735689600:}
<footer class="site">
<div class="cols">
<address>{#"<br>"Address}</address>
<p><strong>{#Hours[1]}</strong><br>
{#"<br>"Hours[2-L]}</p>
</div>
<p class="small">&copy; Lakeside Bakery &middot; {#Updated}</p>
</footer>
