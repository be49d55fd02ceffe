{:_DATE_AND_TIME_X:0:}
x-macro
