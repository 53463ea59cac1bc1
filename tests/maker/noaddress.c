/* A broken maker's library: the export is there but gives no address. */
const char *TowaniHpURL(void)
{
    return 0;
}
