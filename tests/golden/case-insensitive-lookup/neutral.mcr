{:ITEM:0:}
upper
{:Item:0:}
mixed
{:Title:0:}
t
