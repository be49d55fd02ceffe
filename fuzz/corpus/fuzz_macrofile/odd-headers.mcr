{:NoTime}
a
{:Colon::}
b
{::7:}
nameless
{:Big:99999999999999:}
c
