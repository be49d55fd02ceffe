{:Other:0:}
o
