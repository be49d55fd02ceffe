{:X3:0:}
A
B
C
