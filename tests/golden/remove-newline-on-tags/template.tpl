a
<p
class="x">b</p>
<!-- c
d -->
e
<td
width="">f</td>