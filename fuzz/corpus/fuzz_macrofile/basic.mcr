{:Footer:881234:}
<p>(c) 2024</p>
{:Menu:1735689600:}
<ul>
<li>{#Item,Home}</li>
</ul>
