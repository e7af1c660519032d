/*
 * Release of what the functions of custor.h return, exactly as its ownership rules say: the record,
 * every text it points to and every AceRecord are the caller's and are freed; the `status` text of a
 * returned NameList, UserDataList, UserRecord, GroupRecord or AclRecord, and the `status` of the
 * SessionRecord such a record carries, are the library's and are left alone. Each function takes
 * null and does nothing with it. These are inline functions of the header, not exports of the library:
 * they free with the standard heap of the program that includes them, which must be the one the
 * library allocates from (the C runtime both are linked with).
 */
#ifndef CUSTOR_RELEASE_H
#define CUSTOR_RELEASE_H

#include <stdlib.h>

#include "custor/custor.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Frees the first `count` texts of a returned array; a count outside 0..CUSTOR_CAPACITY is cut to it. */
static inline void custor_free_texts(char **texts, int32_t count) {
  int32_t i;
  if (count > CUSTOR_CAPACITY) count = CUSTOR_CAPACITY;
  for (i = 0; i < count; ++i) free(texts[i]);
}

/* A result text (every function that returns char *). */
static inline void custor_free_text(char *text) { free(text); }

/* A SessionRecord from createSession: its three texts and the record. */
static inline void custor_free_session(SessionRecord *session) {
  if (session == NULL) return;
  free(session->sessionId);
  free(session->sessionKey);
  free(session->status);
  free(session);
}

/* The SessionRecord inside a returned record: its id, its key and the record, not its status. */
static inline void custor_free_inner_session(SessionRecord *session) {
  if (session == NULL) return;
  free(session->sessionId);
  free(session->sessionKey);
  free(session);
}

/* The result of endTransactionNew. */
static inline void custor_free_outcome(TransactionOutcome *outcome) {
  if (outcome == NULL) return;
  free(outcome->code);
  free(outcome->message);
  free(outcome);
}

/* getUsers, getGroups, getACLs. */
static inline void custor_free_name_list(NameList *list) {
  if (list == NULL) return;
  custor_free_texts(list->names, list->count);
  free(list);
}

/* getUserData. */
static inline void custor_free_user_data_list(UserDataList *list) {
  if (list == NULL) return;
  custor_free_texts(list->userIds, list->count);
  custor_free_texts(list->userData, list->count);
  free(list);
}

/* getDetailsForUser, getDetailsForUser_RO. `reserved` is never set, so it is not touched. */
static inline void custor_free_user(UserRecord *user) {
  if (user == NULL) return;
  free(user->data);
  custor_free_texts(user->groups, user->groupCount);
  custor_free_inner_session(user->session);
  free(user);
}

/* getDataForGroup, getDataForGroup_RO. */
static inline void custor_free_group(GroupRecord *group) {
  if (group == NULL) return;
  free(group->nameOrId);
  custor_free_texts(group->users, group->userCount);
  custor_free_texts(group->acls, group->aclCount);
  custor_free_inner_session(group->session);
  free(group);
}

/* getDataForACL, getDataForACL_RO: every entry with its texts, too. */
static inline void custor_free_acl(AclRecord *acl) {
  int32_t i;
  if (acl == NULL) return;
  free(acl->id);
  for (i = 0; i < acl->aceCount && i < CUSTOR_CAPACITY; ++i) {
    if (acl->aces[i] == NULL) continue;
    free(acl->aces[i]->access);
    free(acl->aces[i]->text);
    free(acl->aces[i]->omit);
    free(acl->aces[i]);
  }
  custor_free_texts(acl->groups, acl->groupCount);
  custor_free_inner_session(acl->session);
  free(acl);
}

#ifdef __cplusplus
}
#endif

#endif /* CUSTOR_RELEASE_H */
