{:Title:0:}
My Site
{:Url:0:}
index.htm
{:Empty:0:}

{:Multi:0:}
l1
l2
