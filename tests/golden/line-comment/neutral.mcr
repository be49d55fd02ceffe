{:C:0:}
<<note
body
