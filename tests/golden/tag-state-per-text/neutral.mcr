{:Open:0:}
<a
