{:P:0:}
[{#_MACRO_PARAM_0}|ä]
