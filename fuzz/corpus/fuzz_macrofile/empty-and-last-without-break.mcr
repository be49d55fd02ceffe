{:Empty:0:}

{:Last:-17:}
no line break at the end