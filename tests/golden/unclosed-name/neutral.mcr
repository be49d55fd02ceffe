{:Name:0:}
never
