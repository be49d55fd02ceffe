aa bb cc dd
ee <!-- x
y z -->
ff gg