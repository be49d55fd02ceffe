{:Para:0:}
<p>{#_MACRO_PARAM_1}</p>
{:Pair:0:}
[{#_MACRO_PARAM_0}|{#_MACRO_PARAM_1}]
