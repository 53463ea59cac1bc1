/* Another library under our library's file name, with an address that is not ASCII (UTF-8, the
   test locale's encoding). */
const char *TowaniHpURL(void)
{
    return "https://planted.example/\xe6\xa1\x88\xe5\x86\x85?q=a b";
}
