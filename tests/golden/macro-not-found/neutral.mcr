{:Outer:0:}
x
{#Gone}y
{:Item:0:}
item-macro
