{#Para,a,b}
{#Pair,x>y,z}
{#Pair,{#Para},w}