/* A maker's library of another release: it has a function, but not the home-page address. */
const char *TowaniMailAddress(void)
{
    return "info@towani.example";
}
