/* A small Windows console program, compiled by the MinGW toolchains during
   the native build so that the PE reader meets real linker output. */
#include <stdio.h>
#include <string.h>

static unsigned checksum(const char *text)
{
    unsigned sum = 0;
    while (*text) sum = sum * 31u + (unsigned char)*text++;
    return sum;
}

int main(int argc, char **argv)
{
    const char *name = argc > 1 ? argv[1] : "Purvane";
    printf("%s %u %u\n", name, (unsigned)strlen(name), checksum(name));
    return 0;
}
