{#Menu.en}
{#Menu}