stray text
{:A:1:}
a
