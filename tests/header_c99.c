/* The public headers compile as C99 with -pedantic: a program outside the project uses them as they are. */
#include "custor/agent.h"
#include "custor/custor.h"
#include "custor/release.h"

int custor_header_check(void) {
  custor_free_name_list(NULL);
  return CUSTOR_CAPACITY == 2000 && sizeof(ServerRequest) > 0 ? 0 : 1;
}
