{:Head:1735689600:}
<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<meta name="generator" content="Larkspan PLUS">
<title>Greenfield Garden Club | {#_MACRO_PARAM_0}</title>
{#Style}
</head>
{:Style:1735689600:}
<style>
* { box-sizing: border-box; }
body { margin: 0; background: #ece8dc; color: #2f3a2f; line-height: 1.6;
  font-family: Georgia, 'Times New Roman', serif; }
header.site { background: #2e5e3a; color: #ffffff; padding: 28px 0 0; }
header.site .inner, .page, footer.site { max-width: 880px; margin: 0 auto; padding-left: 32px;
  padding-right: 32px; }
.brand { font-size: 1.9em; font-weight: bold; letter-spacing: 0.02em; }
.logo { vertical-align: middle; }
.motto { margin: 0 0 18px; font-style: italic; color: #cfe3c9; }
.menu a { display: inline-block; padding: 10px 18px; color: #ffffff; text-decoration: none;
  border-radius: 8px 8px 0 0; font-family: Arial, Helvetica, sans-serif; }
.menu a[href]:hover { background: #ffffff; color: #2e5e3a; }
.menu a.soon { color: #9fbf9f; cursor: default; }
.page { background: #ffffff; padding-top: 24px; padding-bottom: 40px; }
h1, h2 { color: #2e5e3a; font-weight: normal; }
h1 { font-size: 2.1em; margin-top: 8px; }
.lead { font-size: 1.15em; }
.boxes { display: flex; flex-wrap: wrap; gap: 18px; margin: 28px 0; }
.box { flex: 1 1 250px; padding: 14px 20px; border-radius: 10px; border-left: 6px solid; }
.box h3 { margin: 2px 0 6px; font-family: Arial, Helvetica, sans-serif; }
.box p { margin: 0; }
.box.tip { background: #eef6e8; border-color: #6a9a3a; }
.box.news { background: #fdf3e1; border-color: #d08a1e; }
table { border-collapse: collapse; width: 100%; margin: 12px 0 24px; }
th, td { padding: 9px 12px; border-bottom: 1px solid #ddd6c4; text-align: left; }
th { background: #eef6e8; font-family: Arial, Helvetica, sans-serif; }
.num { text-align: right; white-space: nowrap; }
.hours { background: #f7f5ee; border-radius: 10px; padding: 4px 22px 14px; }
code { background: #f1eee4; padding: 1px 5px; border-radius: 4px; font-size: 0.92em; }
.howto li { margin-bottom: 6px; }
footer.site { padding-top: 18px; padding-bottom: 28px; color: #5b665b; font-size: 0.9em; }
footer.site address { font-style: normal; margin-bottom: 8px; }
</style>
{:Header:1735689600:}
<header class="site">
<div class="inner">
<div class="brand"><img class="logo" src="../img/lk.gif" width="48" height="48" alt=""> {#Address[1]}</div>
<p class="motto">{#Motto}</p>
{#Menu}
</div>
</header>
{:Motto:1735689600:}
Growing things together since 1987
{:Menu:1735689600:}
<nav class="menu">
{#Link,index1.htm,Home}
{#Link,second1.htm,Events}
<a href="#" class="soon">Members' area (coming soon)</a>
</nav>
{:Link:1735689600:}
<a href="{#_MACRO_PARAM_0}">{#_MACRO_PARAM_1}</a>
{:Address:1735689600:}
Greenfield Garden Club
Allotment Lane 7
Greenfield GF1 2AB
Phone 01632 960123
{:Hours:1735689600:}
Opening hours of the club garden
Monday to Friday: 8:00 - 20:00
Saturday: 9:00 - 18:00
Sundays and public holidays: closed
{:Box:1735689600:}
<aside class="box {#Kind}">
<h3>{#Icon} {#_MACRO_PARAM_0}</h3>
<p>{#_MACRO_PARAM_1}</p>
</aside>
{:KindTip:1735689600:}
tip
{:IconTip:1735689600:}
&#10048;
{:KindNews:1735689600:}
news
{:IconNews:1735689600:}
&#9733;
{:Footer:1735689600:}
<footer class="site">
<address>{#"<br>"Address}</address>
<p>This page was built with Larkspan PLUS on {#"%d %B %Y"_DATE_AND_TIME_}.</p>
</footer>
