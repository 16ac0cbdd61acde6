/* SPDX-License-Identifier: MIT */
/* The scene programs' own random generator, in place of the C library's: the desktop's and the
   browser's C libraries draw different sequences from the same seed, and the picture comparison
   needs the same battle on both. A 64-bit linear congruential generator, 31 bits out. */
#include <stdint.h>
#include <stdlib.h>

static uint64_t gState = 1;

void srand(unsigned seed) { gState = seed; }

int rand(void)
{
    gState = gState * 6364136223846793005ULL + 1;
    return (int)(gState >> 33);
}
