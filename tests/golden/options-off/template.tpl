<td width="">a</td>
<a href="#">	b</a>
ä  