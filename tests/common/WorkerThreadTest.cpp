// A worker thread runs its job in the apartment the job asked for, hands back
// its exit code, outlives a job that throws, and lets the job go only once the
// apartment is left (what a job holds to keep the program may end it).
#include <gtest/gtest.h>
#include <objbase.h>
#include <ole2.h>

#include <stdexcept>
#include <string>
#include <utility>

#include "WorkerThread.h"

namespace tessary {
namespace {

struct Seen {
  HRESULT apartmentType = E_FAIL;  // CoGetApartmentType during the job
  APTTYPE type = APTTYPE_CURRENT;
  HRESULT ole = E_FAIL;      // OleInitialize during the job: S_FALSE if already in OLE
  HRESULT atRelease = S_OK;  // CoGetApartmentType when the job went
};

// Notes where the thread was when the job that holds it went; the copies left
// behind on the way to the thread note nothing.
class Witness {
 public:
  explicit Witness(Seen* seen) : seen_(seen) {}
  Witness(Witness&& other) noexcept : seen_(std::exchange(other.seen_, nullptr)) {}
  Witness& operator=(Witness&&) = delete;
  ~Witness() {
    APTTYPE type;
    APTTYPEQUALIFIER qualifier;
    if (seen_) seen_->atRelease = ::CoGetApartmentType(&type, &qualifier);
  }

 private:
  Seen* seen_;
};

DWORD Finish(UniqueHandle thread) {
  EXPECT_TRUE(thread.IsValid());
  EXPECT_EQ(::WaitForSingleObject(thread.Get(), 10000), WAIT_OBJECT_0);
  DWORD code = 0;
  ::GetExitCodeThread(thread.Get(), &code);
  return code;
}

TEST(WorkerThreadTest, TheJobRunsInItsApartmentAndGoesAfterItIsLeft) {
  const struct Case {
    Apartment apartment;
    bool inCom;
    bool inOle;
  } kCases[] = {
      {Apartment::kNone, false, false},
      {Apartment::kSingleThreaded, true, false},
      {Apartment::kSingleThreadedWithOle, true, true},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(static_cast<int>(c.apartment));
    Seen seen;
    const DWORD code = Finish(StartWorker(c.apartment, [&seen, witness = Witness(&seen)](const ComApartment& com) {
      APTTYPEQUALIFIER qualifier;
      seen.apartmentType = ::CoGetApartmentType(&seen.type, &qualifier);
      if (com.IsReady() && seen.apartmentType == S_OK) {
        seen.ole = ::OleInitialize(nullptr);
        if (SUCCEEDED(seen.ole)) ::OleUninitialize();
      }
      return DWORD{7};
    }));
    EXPECT_EQ(code, 7u);
    EXPECT_EQ(seen.apartmentType == S_OK, c.inCom);
    if (c.inCom) {
      EXPECT_TRUE(seen.type == APTTYPE_STA || seen.type == APTTYPE_MAINSTA);
      EXPECT_EQ(seen.ole == S_FALSE, c.inOle) << std::hex << seen.ole;
    }
    EXPECT_EQ(seen.atRelease, CO_E_NOTINITIALIZED) << "the job went before the apartment was left";
  }
}

TEST(WorkerThreadTest, AJobThatThrowsEndsItsThreadWithAFailureAndStillGoes) {
  Seen seen;
  const DWORD code = Finish(StartWorker(Apartment::kSingleThreaded, [witness = Witness(&seen)](const ComApartment&) {
    throw std::runtime_error("a job's fault");
    return DWORD{0};
  }));
  EXPECT_EQ(code, static_cast<DWORD>(E_UNEXPECTED));
  EXPECT_EQ(seen.atRelease, CO_E_NOTINITIALIZED);
}

// A thread already in the multithreaded apartment cannot enter a
// single-threaded one: the apartment says which call refused, for the log.
TEST(WorkerThreadTest, AnApartmentThatCannotBeEnteredNamesTheCallThatRefused) {
  const struct Case {
    Apartment apartment;
    const char* failedCall;
  } kCases[] = {
      {Apartment::kNone, nullptr},
      {Apartment::kSingleThreaded, "CoInitializeEx"},
      {Apartment::kSingleThreadedWithOle, "CoInitializeEx"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(static_cast<int>(c.apartment));
    std::string failedCall = "(not run)";
    bool ready = false;
    Finish(StartWorker(Apartment::kNone, [&](const ComApartment&) {
      if (FAILED(::CoInitializeEx(nullptr, COINIT_MULTITHREADED))) return DWORD{1};
      {
        const ComApartment refused(c.apartment);
        ready = refused.IsReady();
        failedCall = refused.FailedCall() ? refused.FailedCall() : "";
      }
      ::CoUninitialize();
      return DWORD{0};
    }));
    EXPECT_EQ(ready, c.failedCall == nullptr);
    EXPECT_EQ(failedCall, c.failedCall ? c.failedCall : "");
  }
}

}  // namespace
}  // namespace tessary
