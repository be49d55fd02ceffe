<td width="">a</td>
<a href="#">b</a>
<td width= >c</td>
<td width=>d</td>
<td width="5" nowrap>e</td>
x= y
<td
width="">f</td>
<p align="" class="c">g</p>
<img src="i.gif" alt="">
<!-- k= l -->