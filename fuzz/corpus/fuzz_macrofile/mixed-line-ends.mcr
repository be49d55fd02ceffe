{:Lf:1:}
unix
{:Cr:2:}
lonecr
{:Odd:2147483648:}
δφό Γ€
