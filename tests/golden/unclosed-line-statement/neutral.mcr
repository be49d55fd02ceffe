{:X:0:}
A
never
