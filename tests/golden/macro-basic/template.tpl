<title>{#Title}</title>
<a href="{#Url}">[{#Empty}]</a>
{#Multi}
end
