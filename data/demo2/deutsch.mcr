{:LangCode:1735689600:}
de
{:TitleHome:1735689600:}
Lakeside Bakery - frisches Brot jeden Morgen
{:TitleAbout:1735689600:}
Lakeside Bakery - &uuml;ber uns
{:Slogan:1735689600:}
Brot aus dem Holzofen, jeden Morgen seit 1952
{:MenuHome:1735689600:}
Startseite
{:MenuAbout:1735689600:}
&Uuml;ber uns
{:MenuShop:1735689600:}
Online-Shop (bald verf&uuml;gbar)
{:Switch:1735689600:}
<a class="lang" href="../english/{#_MACRO_PARAM_0}" hreflang="en" lang="en">English</a>
{:Welcome:1735689600:}
Guten Morgen!
{:Intro:1735689600:}
Jede Nacht heizen unsere B&auml;cker den alten Holzofen am See an.
Um sechs Uhr liegen die ersten Brote im Regal - gebacken mit Mehl aus der Region,
Sauerteig aus eigener Zucht und viel Zeit.
{:NoteHeadTip:1735689600:}
Tipp
{:NoteTextTip:1735689600:}
Bestellen Sie Ihren Sonntagskuchen bis Freitag, dann halten wir ihn
bis Samstagmittag f&uuml;r Sie bereit.
{:NoteHeadNews:1735689600:}
Neu
{:NoteTextNews:1735689600:}
Probieren Sie unser Dinkel-Walnuss-Brot, frisch gebacken jeden
Dienstag und Freitag.
{:PricesHead:1735689600:}
Brot und Geb&auml;ck von heute
{:ColProduct:1735689600:}
Produkt
{:ColPrice:1735689600:}
Preis
{:Decimal:1735689600:}
,
{:Prices:1735689600:}
{#Row,Roggen-Sauerteigbrot (1 kg),4,60}
{#Row,Bauernwei&szlig;brot (750 g),3,40}
{#Row,Dinkel-Walnuss-Brot,4,90}
{#Row,Brezel,0,80}
{#Row,Buttercroissant,1,40}
{#Row,Apfelkuchen (ein St&uuml;ck),2,50}
{:Hours:1735689600:}
&Ouml;ffnungszeiten
Montag bis Freitag: 6:30 - 18:00
Samstag: 7:00 - 13:00
Sonntag: geschlossen
{:Updated:1735689600:}
Zuletzt aktualisiert am {#"%d.%m.%Y"_DATE_AND_TIME_}
{:AboutHead:1735689600:}
&Uuml;ber uns
{:AboutText:1735689600:}
<p>Die Lakeside Bakery ist seit drei Generationen ein Familienbetrieb.
Gro&szlig;vater Anton hat den Holzofen 1952 gebaut, und wir backen noch heute jede Nacht
darin.</p>
<p>Wir verwenden Mehl aus M&uuml;hlen der Region, keine Backmischungen und keine
Zusatzstoffe - nur Zeit, Handwerk und einen Sauerteig, der &auml;lter ist als die meisten
unserer Kunden.</p>
{:VisitHead:1735689600:}
Besuchen Sie uns
{:HowHead:1735689600:}
So entsteht diese Seite
{:HowText:1735689600:}
Diese Seite gibt es nur einmal, als Vorlage about2.tpl. Larkspan erzeugt
daraus zwei Seiten: im Ordner english mit den Texten aus english.mcr und im Ordner
deutsch mit den Texten aus deutsch.mcr. Bausteine wie das Men&uuml; und die Fu&szlig;zeile
stammen aus der Basisgruppe demo2.mcr und sind in beiden Sprachen gleich. Die Vorlage
beginnt so:
