{:LangCode:1735689600:}
en
{:TitleHome:1735689600:}
Lakeside Bakery - fresh bread every morning
{:TitleAbout:1735689600:}
Lakeside Bakery - about us
{:Slogan:1735689600:}
Bread from the wood-fired oven, every morning since 1952
{:MenuHome:1735689600:}
Home
{:MenuAbout:1735689600:}
About us
{:MenuShop:1735689600:}
Online shop (coming soon)
{:Switch:1735689600:}
<a class="lang" href="../deutsch/{#_MACRO_PARAM_0}" hreflang="de" lang="de">Deutsch</a>
{:Welcome:1735689600:}
Good morning!
{:Intro:1735689600:}
Every night our bakers light the old wood-fired oven by the lake.
By six o'clock the first loaves are on the shelves - made with flour from the region,
sourdough from our own starter and plenty of time.
{:NoteHeadTip:1735689600:}
Tip
{:NoteTextTip:1735689600:}
Order your Sunday cake by Friday and we will keep it for you
until Saturday noon.
{:NoteHeadNews:1735689600:}
New
{:NoteTextNews:1735689600:}
Try our spelt and walnut loaf, freshly baked every Tuesday
and Friday.
{:PricesHead:1735689600:}
Today's bread and pastries
{:ColProduct:1735689600:}
Product
{:ColPrice:1735689600:}
Price
{:Decimal:1735689600:}
.
{:Prices:1735689600:}
{#Row,Sourdough rye bread (1 kg),4,60}
{#Row,Farmhouse white loaf (750 g),3,40}
{#Row,Spelt and walnut loaf,4,90}
{#Row,Pretzel,0,80}
{#Row,Butter croissant,1,40}
{#Row,Apple cake (one slice),2,50}
{:Hours:1735689600:}
Opening hours
Monday to Friday: 6:30 - 18:00
Saturday: 7:00 - 13:00
Sunday: closed
{:Updated:1735689600:}
Last updated on {#"%d %B %Y"_DATE_AND_TIME_}
{:AboutHead:1735689600:}
About us
{:AboutText:1735689600:}
<p>The Lakeside Bakery has been a family business for three generations.
Grandfather Anton built the wood-fired oven in 1952, and we still bake in it every night.</p>
<p>We use flour from mills in the region, no ready-made mixes and no additives - just
time, craft and a sourdough starter that is older than most of our customers.</p>
{:VisitHead:1735689600:}
Visit us
{:HowHead:1735689600:}
How this page is made
{:HowText:1735689600:}
This page exists only once, as the template about2.tpl. Larkspan builds it
twice: into the folder english with the texts of english.mcr, and into the folder
deutsch with the texts of deutsch.mcr. Layout parts such as the menu and the footer come
from the basis group demo2.mcr and are the same in both languages. The template starts
like this:
