{:Title:0:}
L-title
{:Only:0:}
only
