a
bc
d >