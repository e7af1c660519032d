/*
 * custor: security administration of the Corvane XML database server.
 *
 * A management agent loads libcustor.so, looks these functions up by name and calls them to list,
 * read, create, modify and delete the users, groups and access control lists (ACLs) that the server
 * keeps, per database, as XML documents in its collection kiv:security.
 *
 * Ownership, for every function below:
 *   - Every returned text and record comes from the standard heap (malloc) and belongs to the caller,
 *     who releases it with free(): the record itself, every text it points to and every AceRecord.
 *   - Exception: the `status` text of a returned NameList, UserDataList, UserRecord, GroupRecord or
 *     AclRecord, and the `status` text of the SessionRecord that such a record's `session` points to,
 *     are read-only and never freed by the caller (they are the library's and live until it is
 *     unloaded). The caller frees that SessionRecord's sessionId and sessionKey and the record itself.
 *     A SessionRecord from createSession is the caller's whole: all three texts and the record.
 *   - Input texts and records stay the caller's; the library only reads them and keeps no pointer.
 *   - Array entries at and beyond a record's count carry no meaning and are not to be read or freed.
 *
 * `context` and `extra` are passed through untouched; `database` names the database; `connection` is
 * handed to the agent's request service (see custor/agent.h). The library serves one call at a time:
 * the agent must not call it from two threads at once.
 *
 * Result texts: "0" for success, a server error as its message code, a blank and its message (such as
 * "KIVXIE8300 No matching document found"), a library message (code, message text, one blank), or one
 * of the library's fixed texts beginning with "VRX@DLL".
 */
#ifndef CUSTOR_CUSTOR_H
#define CUSTOR_CUSTOR_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Room of every array in the records below. */
#define CUSTOR_CAPACITY 2000

/* A server session: its id and key as the last reply announced them, and "0" or an error text. */
typedef struct SessionRecord {
  char *sessionId;
  char *sessionKey;
  char *status;
} SessionRecord;

/* Result of endTransactionNew: code is always "kivcode not supported". */
typedef struct TransactionOutcome {
  char *code;
  char *message;
} TransactionOutcome;

/* Result shape of the library's internal lookups, stores and deletes. */
typedef struct CheckResult {
  char *status;
  SessionRecord *session;
} CheckResult;

/* Names of one kind; also the group list that the user and ACL create and modify operations take
 * (on input only count and names are read). */
typedef struct NameList {
  char *status;
  int32_t count;
  char *names[CUSTOR_CAPACITY];
} NameList;

/* Every user with its user data; userData[i] belongs to userIds[i]. */
typedef struct UserDataList {
  char *status;
  int32_t count;
  char *userIds[CUSTOR_CAPACITY];
  char *userData[CUSTOR_CAPACITY];
} UserDataList;

/* One user: its data and the groups that refer to it, sorted by group name. The data is the first
 * piece of text of its document as the XML parser delivers it that begins with a byte above the blank
 * and below 0x80: a text is cut at an entity reference (docs/conventions.md, "What the readers read").
 * `reserved` is neither set nor read. On a failure status, data may be null. */
typedef struct UserRecord {
  char *status;
  char *data;
  char *reserved;
  int32_t groupCount;
  SessionRecord *session;
  char *groups[CUSTOR_CAPACITY];
} UserRecord;

/* One group. On output nameOrId is the document's kiv:id ("VRX@DLL PARSE_ERR" when the group does not
 * exist; null on some failure statuses), and the references are read as user data is (a reference that
 * begins with a blank or a byte of 0x80 and above is not seen); on input nameOrId is the group's name,
 * and status and session are not read. */
typedef struct GroupRecord {
  char *nameOrId;
  char *status;
  int32_t userCount;
  int32_t aclCount;
  SessionRecord *session;
  char *users[CUSTOR_CAPACITY];
  char *acls[CUSTOR_CAPACITY];
} GroupRecord;

/* One access control entry. omit is input only: an entry whose omit is exactly "1" is left out when
 * an ACL document is written; the readers leave it null. */
typedef struct AceRecord {
  char *access;
  char *text;
  char *omit;
} AceRecord;

/* One ACL: its entries, its kiv:id (null on some failure statuses) and the groups that refer to it,
 * sorted. Entries come in document order, their texts read as user data is: an entry whose text begins
 * with a blank or a byte of 0x80 and above is not seen, and the entries after it are paired with the
 * access values of those before (docs/conventions.md). On input only aceCount and aces are read; the
 * ACL's name is a separate parameter. */
typedef struct AclRecord {
  char *status;
  int32_t aceCount;
  char *id;
  SessionRecord *session;
  int32_t groupCount;
  AceRecord *aces[CUSTOR_CAPACITY];
  char *groups[CUSTOR_CAPACITY];
} AclRecord;

/* Sessions. mode 0 commits, mode 1 rolls back; both then disconnect. */
SessionRecord *createSession(uint32_t context, const char *database, uint32_t connection, uint32_t extra);
char *endTransaction(SessionRecord *session, uint32_t context, const char *database, uint32_t connection,
                     uint32_t extra, int32_t mode);
TransactionOutcome *endTransactionNew(SessionRecord *session, uint32_t context, const char *database,
                                      uint32_t connection, uint32_t extra, int32_t mode);

/* Frame: giveBuild answers "CustorDLL Build: " and the build number, the library's major and minor
 * version written together; db_isreadonly 1 read-only, 0 not (or unknown), -1 no working storage. */
char *giveBuild(void);
int32_t db_isreadonly(const char *database);

/* Name lists, sorted by name. */
NameList *getUsers(uint32_t context, const char *database, uint32_t connection, uint32_t extra);
NameList *getGroups(uint32_t context, const char *database, uint32_t connection, uint32_t extra);
NameList *getACLs(uint32_t context, const char *database, uint32_t connection, uint32_t extra);

/* Readers. The _RO variants send no session command; the others read in a session of their own. */
UserDataList *getUserData(uint32_t context, const char *database, uint32_t connection, uint32_t extra);
UserRecord *getDetailsForUser(uint32_t context, const char *database, const char *userid, uint32_t connection,
                              uint32_t extra);
UserRecord *getDetailsForUser_RO(uint32_t context, const char *database, const char *userid,
                                 uint32_t connection, uint32_t extra);
GroupRecord *getDataForGroup(uint32_t context, const char *database, const char *groupname,
                             uint32_t connection, uint32_t extra);
GroupRecord *getDataForGroup_RO(uint32_t context, const char *database, const char *groupname,
                                uint32_t connection, uint32_t extra);
AclRecord *getDataForACL(uint32_t context, const char *database, const char *aclname, uint32_t connection,
                         uint32_t extra);
AclRecord *getDataForACL_RO(uint32_t context, const char *database, const char *aclname, uint32_t connection,
                            uint32_t extra);

/* Creation. groups: the groups that are to refer to the new user or ACL (null or empty: none). The _BAT
 * variants first check that the linked objects exist. */
char *createUser(uint32_t context, const char *database, const char *content, const char *userid,
                 const NameList *groups, uint32_t connection, uint32_t extra);
char *createUser_BAT(uint32_t context, const char *database, const char *content, const char *userid,
                     const NameList *groups, uint32_t connection, uint32_t extra);
char *createACL(uint32_t context, const char *database, const char *aclname, const NameList *groups,
                const AclRecord *acl, uint32_t connection, uint32_t extra);
char *createACL_BAT(uint32_t context, const char *database, const char *aclname, const NameList *groups,
                    const AclRecord *acl, uint32_t connection, uint32_t extra);
char *createGroup(uint32_t context, const char *database, const GroupRecord *group, uint32_t connection,
                  uint32_t extra);
char *createGroup_BAT(uint32_t context, const char *database, const GroupRecord *group, uint32_t connection,
                      uint32_t extra);

/* Deletion; a user or ACL delete also removes every group's reference to it. */
char *deleteUser(uint32_t context, const char *database, const char *userid, uint32_t connection,
                 uint32_t extra);
char *deleteACL(uint32_t context, const char *database, const char *aclname, uint32_t connection,
                uint32_t extra);
char *deleteGroup(uint32_t context, const char *database, const char *groupname, uint32_t connection,
                  uint32_t extra);

/* Change: replace an object as a whole, possibly under a new name, in one transaction. */
char *modifyUser(uint32_t context, const char *database, const char *userid, const char *content,
                 const char *newuserid, const NameList *groups, uint32_t connection, uint32_t extra);
char *modifyUser_BAT(uint32_t context, const char *database, const char *userid, const char *content,
                     const char *newuserid, const NameList *groups, uint32_t connection, uint32_t extra);
char *modifyGroup(uint32_t context, const char *database, const char *groupname, const GroupRecord *group,
                  uint32_t connection, uint32_t extra);
char *modifyGroup_BAT(uint32_t context, const char *database, const char *groupname, const GroupRecord *group,
                      uint32_t connection, uint32_t extra);
char *modifyACL(uint32_t context, const char *database, const char *aclname, const char *newaclname,
                const NameList *groups, const AclRecord *acl, uint32_t connection, uint32_t extra);
char *modifyACL_BAT(uint32_t context, const char *database, const char *aclname, const char *newaclname,
                    const NameList *groups, const AclRecord *acl, uint32_t connection, uint32_t extra);

/* Append one entry (text, access) to an existing ACL, in place. */
char *addACE(uint32_t context, const char *database, const char *aclname, const char *text,
             const char *access, uint32_t connection, uint32_t extra);

#ifdef __cplusplus
}
#endif

#endif /* CUSTOR_CUSTOR_H */
