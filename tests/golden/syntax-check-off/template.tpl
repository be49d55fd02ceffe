a > b {#Nope} <x <y>
{#X[0]}
{#_MACRO_PARAM_3}