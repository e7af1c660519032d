/* A program built against the installed package: it links libcustor.so with the agent services of
 * libcustor-agent.so and prints the library's build banner. */
#include <stdio.h>
#include <stdlib.h>

#include "custor/custor.h"

int main(void) {
  char *banner = giveBuild();
  if (banner == NULL) return 1;
  puts(banner);
  free(banner);
  return 0;
}
