a{#Nope}b
{#Outer}
{#item}{#Item}