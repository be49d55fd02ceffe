x{#"a
b>