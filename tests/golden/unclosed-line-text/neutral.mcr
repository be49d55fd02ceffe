{:X:0:}
never
