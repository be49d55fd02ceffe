{:Outer:0:}
{#I}|{#II}
{:I:0:}
one
{:II:0:}
two
