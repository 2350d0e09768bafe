#include "WorkerThread.h"

#include "ExceptionBarrier.h"

namespace tessary {
namespace {

struct WorkerStart {
  Apartment apartment;
  std::unique_ptr<WorkerJob> job;
};

DWORD WINAPI WorkerMain(void* parameter) {
  const std::unique_ptr<WorkerStart> start(static_cast<WorkerStart*>(parameter));
  DWORD code = 0;
  {
    const ComApartment apartment(start->apartment);
    const HRESULT hr = ExceptionBarrier([&] {
      code = start->job->Run(apartment);
      return S_OK;
    });
    if (FAILED(hr)) code = static_cast<DWORD>(hr);
  }
  return code;
}

}  // namespace

UniqueHandle StartWorker(Apartment apartment, std::unique_ptr<WorkerJob> job) {
  auto start = std::make_unique<WorkerStart>(WorkerStart{apartment, std::move(job)});
  UniqueHandle thread(::CreateThread(nullptr, 0, &WorkerMain, start.get(), 0, nullptr));
  if (thread) start.release();  // the thread's now
  return thread;
}

}  // namespace tessary
