// Transactions on a database: uniqueness as the transaction sees it, failed commands that change
// nothing, the write lock's wait and time-out, and durability across a reopening.
#include "transaction.h"

#include <gtest/gtest.h>

#include <thread>

#include "test_support.h"

namespace corvane {
namespace {

using std::chrono::milliseconds;

class TransactionTest : public ::testing::Test {
 protected:
  void SetUp() override { Reopen(); }
  void Reopen() {
    db_.reset();
    std::string error;
    db_ = Database::Open(dir_.path() + "/t.db", "t", true, &error);
    ASSERT_TRUE(db_) << error;
  }

  std::string Read(const Transaction& t, const char* query) {
    std::string nodes;
    EXPECT_EQ(t.Query(query, &nodes), Code::kOk) << query;
    return nodes;
  }

  testing::TempDir dir_;
  std::unique_ptr<Database> db_;
};

TEST_F(TransactionTest, UniquenessAsTheStoringTransactionSeesIt) {
  Transaction setup(db_.get(), 1, milliseconds(100));
  ASSERT_EQ(setup.Process("<kiv:group kiv:groupname=\"g\"/>"), Code::kOk);
  ASSERT_EQ(setup.Process("<kiv:user kiv:userid=\"g\"/>"), Code::kOk);  // other kind, same name
  ASSERT_EQ(setup.Commit(), Code::kOk);

  Transaction t(db_.get(), 2, milliseconds(100));
  EXPECT_EQ(t.Process("<kiv:group kiv:groupname=\"g\"/>"), Code::kUnknownError);
  EXPECT_EQ(t.Process("<kiv:group kiv:id=\"2\" kiv:groupname=\"h\"/>"), Code::kUnknownError);  // 2 is a user
  EXPECT_FALSE(t.holds_lock());  // failed writes take no lock
  EXPECT_EQ(t.Process("<kiv:group kiv:id=\"1\" kiv:groupname=\"g\"><kiv:userref>x</kiv:userref></kiv:group>"),
            Code::kOk);
  EXPECT_EQ(t.Delete("kiv:group[@kiv:groupname=\"g\"]"), Code::kOk);
  EXPECT_EQ(t.Process("<kiv:group kiv:groupname=\"g\"/>"), Code::kOk);
  EXPECT_EQ(t.Process("<kiv:group kiv:groupname=\"g\"/>"), Code::kUnknownError);
  EXPECT_EQ(Read(t, "/kiv:group"), "<kiv:group kiv:id=\"3\" kiv:groupname=\"g\"/>");
  EXPECT_EQ(t.Commit(), Code::kOk);
  EXPECT_FALSE(t.holds_lock());

  Reopen();
  Transaction after(db_.get(), 3, milliseconds(100));
  EXPECT_EQ(Read(after, "/kiv:group"), "<kiv:group kiv:id=\"3\" kiv:groupname=\"g\"/>");
  // Ids are never given twice: the next document comes after 3.
  EXPECT_EQ(after.Process("<kiv:acl kiv:aclname=\"a\"/>"), Code::kOk);
  EXPECT_EQ(Read(after, "/kiv:acl"), "<kiv:acl kiv:id=\"4\" kiv:aclname=\"a\"/>");
}

TEST_F(TransactionTest, FailedCommandsLeaveTheTransactionAsItWas) {
  Transaction t(db_.get(), 1, milliseconds(100));
  ASSERT_EQ(t.Process("<kiv:user kiv:userid=\"u\"/>"), Code::kOk);
  EXPECT_EQ(t.Process("<kiv:user kiv:userid=\"u\""), Code::kInvalidDocument);
  EXPECT_EQ(t.Process("<kiv:user kiv:userid=\"u\"/>"), Code::kUnknownError);
  EXPECT_EQ(t.Delete("kiv:user[@kiv:userid=\"v\"]"), Code::kNoMatchingDocument);
  EXPECT_EQ(t.Delete("kiv:user"), Code::kInvalidQuery);
  std::string nodes;
  EXPECT_EQ(t.Query("/kiv:user[", &nodes), Code::kInvalidQuery);
  EXPECT_TRUE(t.holds_lock());
  EXPECT_EQ(Read(t, "/kiv:user"), "<kiv:user kiv:id=\"1\" kiv:userid=\"u\"/>");
  t.Rollback();
  EXPECT_EQ(Read(t, "/kiv:user"), "");
  EXPECT_FALSE(t.holds_lock());
}

TEST_F(TransactionTest, WriterWaitsForTheLockAndGetsItAtCommit) {
  Transaction a(db_.get(), 1, milliseconds(100));
  ASSERT_EQ(a.Process("<kiv:user kiv:userid=\"a\"/>"), Code::kOk);
  Code b_result = Code::kOk;
  std::string b_sees;
  std::thread b_thread([&] {
    Transaction b(db_.get(), 2, milliseconds(30'000));
    b_result = b.Process("<kiv:user kiv:userid=\"a\"/>");  // refused once a's user is committed
    b_sees = Read(b, "/kiv:user");
  });
  while (db_->write_lock().waiting() == 0) std::this_thread::yield();
  EXPECT_EQ(a.Commit(), Code::kOk);
  b_thread.join();
  EXPECT_EQ(b_result, Code::kUnknownError);
  EXPECT_EQ(b_sees, "<kiv:user kiv:id=\"1\" kiv:userid=\"a\"/>");
}

TEST_F(TransactionTest, LockTimeOut) {
  Transaction a(db_.get(), 1, milliseconds(100));
  ASSERT_EQ(a.Process("<kiv:user kiv:userid=\"a\"/>"), Code::kOk);
  Transaction b(db_.get(), 2, milliseconds(50));
  EXPECT_EQ(b.Process("<kiv:user kiv:userid=\"b\"/>"), Code::kLocked);
  EXPECT_EQ(b.Delete("kiv:user[@kiv:userid=\"a\"]"), Code::kLocked);
  EXPECT_FALSE(b.holds_lock());
  EXPECT_EQ(Read(b, "/kiv:user"), "");  // reads never wait, and see only committed state
  a.Rollback();
  EXPECT_EQ(b.Process("<kiv:user kiv:userid=\"b\"/>"), Code::kOk);
  EXPECT_EQ(b.Commit(), Code::kOk);
  EXPECT_EQ(Read(a, "/kiv:user"), "<kiv:user kiv:id=\"2\" kiv:userid=\"b\"/>");
}

}  // namespace
}  // namespace corvane
