{#_MACRO_PARAM_0}x
{#M,only}