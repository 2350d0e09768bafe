#pragma once
// Every worker thread of the three programs starts here. The thread owns its
// job: it enters the apartment the job asks for, runs the job behind the
// exception barrier, and leaves the apartment in reverse order however the job
// ends. The job object itself goes last, after the apartment is left, so that
// what it holds to keep the program running (the host's ServerReference) is
// given back when nothing of the thread's COM is left: a job keeps no COM
// reference of its own past Run.
//
// What a job hands back to the thread that started it goes as a message to a
// window of that thread (in the host, the background window: the job's work
// is then done by the main thread, in its apartment). Only a job's outcome,
// which the main thread merely reads later, is left in an atomic of the
// subsystem's state (the popup's and the updater's).
#include <windows.h>

#include <memory>
#include <utility>

#include "ComApartment.h"
#include "UniqueHandle.h"

namespace tessary {

class WorkerJob {
 public:
  virtual ~WorkerJob() = default;
  // On the worker thread; apartment tells whether it was entered. Returns the
  // thread's exit code.
  virtual DWORD Run(const ComApartment& apartment) = 0;
};

// The running thread's handle; empty when no thread could start, and the job
// was then destroyed here without running.
UniqueHandle StartWorker(Apartment apartment, std::unique_ptr<WorkerJob> job);

// The same for a callable job, DWORD(const ComApartment&), that owns what it
// captures.
template <class Function>
UniqueHandle StartWorker(Apartment apartment, Function function) {
  class Job : public WorkerJob {
   public:
    explicit Job(Function function) : function_(std::move(function)) {}
    DWORD Run(const ComApartment& apartment) override { return function_(apartment); }

   private:
    Function function_;
  };
  return StartWorker(apartment, std::unique_ptr<WorkerJob>(std::make_unique<Job>(std::move(function))));
}

}  // namespace tessary
