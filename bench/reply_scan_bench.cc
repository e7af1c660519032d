// Reply scanning against expat alone. getUsers over a reply of 2000 names and getDataForACL_RO over an
// ACL of 2000 entries run through the test agent (no network), each paired with plain expat parses
// (no handlers) of the very replies it scans.
//
// getUsers scans its one reply twice (the names, then the verdict); the reference is one plain parse
// of that reply. getDataForACL_RO scans the ACL reply twice (access values, kiv:id), the cut-out
// xql:result once (entry texts) and the groups reply once; its reference is those four plain parses.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>

#include "bench/paired_timer.h"
#include "bench/plain_parse.h"
#include "custor/custor.h"
#include "custor/release.h"
#include "scripted_agent/replies.h"
#include "scripted_agent/test_agent.h"

namespace custor::bench {
namespace {

using custor::testing::Reply;
using custor::testing::Request;
using custor::testing::TestAgent;

constexpr int kNames = 2000;
constexpr int kGroups = 3;
constexpr char kNs[] = "http://namespaces.corvane.example/kiv";

std::string Numbered(const char *prefix, int i) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%04d", i);
  return prefix + std::string(digits);
}

// The reply to the user list query of a database of `n` users, as corvaned serialises the documents.
std::string UsersReply(int n) {
  std::string nodes;
  for (int i = 0; i < n; ++i) {
    const std::string id = Numbered("user", i);
    nodes += "<kiv:user kiv:id=\"" + std::to_string(i + 1) + "\" kiv:userid=\"" + id + "\" xmlns:kiv=\"" +
             kNs + "\">Data of " + id + "</kiv:user>";
  }
  return custor::testing::Result(nodes);
}

// The reply to the query of an ACL of `n` entries.
std::string AclReply(int n) {
  std::string nodes = "<kiv:acl kiv:id=\"9\" kiv:aclname=\"acl\" xmlns:kiv=\"" + std::string(kNs) + "\">";
  for (int i = 0; i < n; ++i) {
    nodes += "<kiv:ace kiv:access=\"" + std::string(i % 2 == 0 ? "read" : "write") + "\">/db/" +
             Numbered("doc", i) + "</kiv:ace>";
  }
  return custor::testing::Result(nodes + "</kiv:acl>");
}

// The reply to the query of the groups that refer to the ACL.
std::string AclGroupsReply() {
  std::string nodes;
  for (int i = 0; i < kGroups; ++i) {
    nodes += "<kiv:group kiv:id=\"" + std::to_string(100 + i) + "\" kiv:groupname=\"" + Numbered("group", i) +
             "\" xmlns:kiv=\"" + kNs + "\"><kiv:aclref>acl</kiv:aclref></kiv:group>";
  }
  return custor::testing::Result(nodes);
}

// From the first "<xql:result" to the end of its closing tag, as the ACL reader cuts it out.
std::string ResultElement(const std::string &reply) {
  const std::size_t begin = reply.find("<xql:result");
  const std::size_t end = reply.find("</xql:result>");
  return reply.substr(begin, end + std::strlen("</xql:result>") - begin);
}

// A fresh test agent that answers every request with `answer`.
void Answer(std::function<Reply(const Request &)> answer) {
  TestAgent::Get().Reset();
  TestAgent::Get().SetResponder(std::move(answer));
}

// The ACL reader's two queries: the ACL, then the groups that refer to it.
void AnswerAclReader(const std::string &acl, const std::string &groups) {
  Answer([a = &acl, g = &groups](const Request &request) {
    return request.command.rfind("_XQL=/kiv:acl ", 0) == 0 ? *a : *g;
  });
}

void BM_GetUsersVsOneParse(benchmark::State &state) {
  const std::string reply = UsersReply(kNames);
  Answer([&](const Request &) { return reply; });
  int names = 0;
  {
    PairedTimer timer(state, PairedTimer::kThreadCpu);
    for (auto _ : state) {
      timer.Run(
          [&] {
            NameList *list = getUsers(0, "db", 0, 0);
            names = std::strcmp(list->status, "0") == 0 ? list->count : -1;
            custor_free_name_list(list);
          },
          [&] { PlainParse(reply); });
    }
  }
  if (names != kNames) state.SkipWithError("getUsers did not read every name");
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * reply.size()));
}

void BM_GetDataForAclRoVsItsPasses(benchmark::State &state) {
  const std::string acl = AclReply(kNames);
  const std::string result = ResultElement(acl);
  const std::string groups = AclGroupsReply();
  AnswerAclReader(acl, groups);
  bool complete = false;
  {
    PairedTimer timer(state, PairedTimer::kThreadCpu);
    for (auto _ : state) {
      timer.Run(
          [&] {
            AclRecord *record = getDataForACL_RO(0, "db", "acl", 0, 0);
            complete = std::strcmp(record->status, "0") == 0 && record->aceCount == kNames &&
                       record->groupCount == kGroups && record->aces[kNames - 1]->access != nullptr &&
                       std::strcmp(record->aces[kNames - 1]->access, "write") == 0;
            custor_free_acl(record);
          },
          [&] {
            PlainParse(result);
            PlainParse(acl);
            PlainParse(acl);
            PlainParse(groups);
          });
    }
  }
  if (!complete) state.SkipWithError("getDataForACL_RO did not read the whole ACL");
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * acl.size()));
}

// The same call against a single plain parse of the ACL reply, for scale.
void BM_GetDataForAclRoVsOneParse(benchmark::State &state) {
  const std::string acl = AclReply(kNames);
  const std::string groups = AclGroupsReply();
  AnswerAclReader(acl, groups);
  PairedTimer timer(state, PairedTimer::kThreadCpu);
  for (auto _ : state) {
    timer.Run([&] { custor_free_acl(getDataForACL_RO(0, "db", "acl", 0, 0)); }, [&] { PlainParse(acl); });
  }
}

BENCHMARK(BM_GetUsersVsOneParse)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GetDataForAclRoVsItsPasses)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GetDataForAclRoVsOneParse)->UseManualTime()->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace custor::bench
