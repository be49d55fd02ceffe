{:X3:0:}
A
B
C
{:Sep:0:}
<hr>
{:Sepzz:0:}
WRONG
