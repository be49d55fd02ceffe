{:X:0:}
l1
l2 {#_MACRO_PARAM_1}
l3 {#Y}
l4
{:Y:0:}
y
{:Yab:0:}
yab
