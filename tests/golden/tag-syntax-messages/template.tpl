<p class="a">ok</p>
a > b
<a <b>
<a title="x>y">
<a title="x\"y">
1 < 2 and
3 > 2
<i>"</i>