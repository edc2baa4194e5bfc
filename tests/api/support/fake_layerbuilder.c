/* A stand-in for the sibling library that builds layer matrices, loaded by
 * the library as a host's builder would be. Its builder takes its last
 * word as the address of a log of seven words: it counts its calls in the
 * first and writes the six words it was given into the others, and it
 * answers its second word. */
#include <stdint.h>

int32_t mtlBuildMatrix(intptr_t map, intptr_t word2, intptr_t word3, intptr_t word4,
                       intptr_t word5, intptr_t word6) {
  intptr_t* log = (intptr_t*)word6;
  log[0] += 1;
  log[1] = map;
  log[2] = word2;
  log[3] = word3;
  log[4] = word4;
  log[5] = word5;
  log[6] = word6;
  return (int32_t)word2;
}
