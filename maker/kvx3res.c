#include "kvx3res.h"

/* A reserved example domain: the address is ours to choose and must never reach a real site. */
static const char kHomePage[] = "https://towani.example/";

const char *TowaniHpURL(void)
{
    return kHomePage;
}
