{:Title:0:}
N-title
{:Common:0:}
common
