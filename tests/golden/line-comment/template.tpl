<<head comment
line1 <<mid
  <<indented
<<full line
line5 >
[{#C}]
end<<tail