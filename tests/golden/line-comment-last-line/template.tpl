a
<<c