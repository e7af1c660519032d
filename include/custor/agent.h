/*
 * The services that the hosting management agent provides to libcustor.so. The library leaves these
 * symbols undefined; the process that loads it defines them (custor's own are in libcustor-agent.so).
 */
#ifndef CUSTOR_AGENT_H
#define CUSTOR_AGENT_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/*
 * One request to the server. The library fills path, command and connectionBlock[1] (the caller's
 * `connection`) before each call of adm_executeRequest; method is "GET" and host "localhost". The
 * service sends `command` as the query text of a `method` request for `path`, then sets reply to the
 * NUL-terminated reply body and replyLength to its length, or replyLength to 0 when no answer came.
 * The reply belongs to the service until adm_freeResponse, which the library calls exactly once after
 * each request whose replyLength was not 0, after it has copied the reply, and never otherwise.
 * path and command belong to the library and are valid only during the call.
 */
typedef struct ServerRequest {
  int32_t reserved1;
  uint32_t reserved2;
  uint32_t *connectionBlock;
  const char *method;
  char *path;
  const char *command;
  uint32_t reserved7, reserved8;
  const char *host;
  uint32_t reserved10, reserved11, reserved12, reserved13;
  char *reply;
  uint32_t replyLength;
  uint32_t reserved16, reserved17;
} ServerRequest;

int32_t adm_executeRequest(ServerRequest *request);
void adm_freeResponse(ServerRequest *request);

/* Message text of `code` from `table` ("kivmsg"), selector 0. *text is null on entry; on return it
 * points to the text, owned by the loader, or is still null when the table has none. */
int32_t NIMBAMfLoadResource(const char *table, const char *code, int32_t selector, char **text);

/* Working storage: status 0 and *block set to at least `size` bytes on success; non-zero: no block. */
uint16_t uxa_get_storage(uint32_t size, int32_t kind, void **block, const char *file, int32_t line);
void uxa_free_storage(void *block, int32_t kind, const char *file, int32_t line);

/* Reads the parameter `name` of `database` into `block`: status 0 on success, the setting then being
 * the 32-bit word at byte 40 of the block (non-zero: set). */
uint16_t dsif_get_parameter(const char *database, int32_t index, const char *name, int32_t kind, void *block,
                            void **blockRef);

/* Stores into *text the catalogue's text for `key` ("yes", "no"); the text is the catalogue's. */
void get_i18n_msg(char **text, const char *key);

#ifdef __cplusplus
}
#endif

#endif /* CUSTOR_AGENT_H */
