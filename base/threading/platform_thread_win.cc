#include "base/threading/platform_thread.h"

#include <stddef.h>
#include <string.h>

#include <memory>

#include "base/logging.h"
#include "base/strings/utf_string_conversions.h"
#include "base/threading/thread_id_name_manager.h"
#include "base/trace_event/activity_tracker.h"
#include "base/win/scoped_handle_verifier.h"

namespace base {
namespace {

// The exception debuggers take as "name this thread".
constexpr DWORD kThreadNameException = 0x406D1388;
constexpr DWORD kThreadNameInfoType = 0x1000;

// What the thread function needs; freed by the new thread before its work.
struct ThreadParams {
  PlatformThread::Delegate* delegate;
  bool joinable;
  ThreadPriority priority;
};

int ThreadPriorityToNative(ThreadPriority priority) {
  switch (priority) {
    case ThreadPriority::BACKGROUND:
      return THREAD_PRIORITY_LOWEST;
    case ThreadPriority::ABOVE_NORMAL:
      return THREAD_PRIORITY_ABOVE_NORMAL;
    case ThreadPriority::TIME_CRITICAL:
      return THREAD_PRIORITY_TIME_CRITICAL;
    case ThreadPriority::NORMAL:
      break;
  }
  return THREAD_PRIORITY_NORMAL;
}

DWORD WINAPI ThreadFunc(void* argument) {
  std::unique_ptr<ThreadParams> params(static_cast<ThreadParams*>(argument));
  if (params->priority != ThreadPriority::NORMAL &&
      !::SetThreadPriority(::GetCurrentThread(),
                           ThreadPriorityToNative(params->priority))) {
    PLOG(ERROR) << "Failed to set the priority of thread "
                << ::GetCurrentThreadId();
  }

  // A real handle of our own, so the name manager can tell this thread from
  // a later one the system gives the same id.
  HANDLE duplicate = nullptr;
  win::ScopedHandle self;
  if (::DuplicateHandle(::GetCurrentProcess(), ::GetCurrentThread(),
                        ::GetCurrentProcess(), &duplicate, 0, FALSE,
                        DUPLICATE_SAME_ACCESS)) {
    self.Set(duplicate);
    ThreadIdNameManager::GetInstance()->RegisterThread(
        self.Get(), PlatformThread::CurrentId());
  }

  PlatformThread::Delegate* delegate = params->delegate;
  params.reset();
  delegate->ThreadMain();

  if (self.IsValid()) {
    ThreadIdNameManager::GetInstance()->RemoveName(
        self.Get(), PlatformThread::CurrentId());
  }
  return 0;
}

bool CreatePlatformThread(size_t stack_size,
                          PlatformThread::Delegate* delegate,
                          win::ScopedHandle* out_thread_handle,
                          ThreadPriority priority) {
  auto* params =
      new ThreadParams{delegate, out_thread_handle != nullptr, priority};
  // Without the flag the size would be committed memory, not address space.
  DWORD flags = stack_size ? STACK_SIZE_PARAM_IS_A_RESERVATION : 0;
  HANDLE handle =
      ::CreateThread(nullptr, stack_size, &ThreadFunc, params, flags, nullptr);
  if (!handle) {
    DWORD error = ::GetLastError();
    delete params;
    LOG(ERROR) << "Failed to create a thread with a stack of " << stack_size
               << " bytes: " << logging::SystemErrorCodeToString(error);
    return false;
  }
  win::ScopedHandle thread_handle(handle);
  if (out_thread_handle)
    *out_thread_handle = std::move(thread_handle);
  return true;
}

LONG CALLBACK SwallowThreadNameException(EXCEPTION_POINTERS* info) {
  if (info->ExceptionRecord->ExceptionCode == kThreadNameException)
    return EXCEPTION_CONTINUE_EXECUTION;
  return EXCEPTION_CONTINUE_SEARCH;
}

// Named at run time: older systems lack it.
typedef HRESULT(WINAPI* SetThreadDescriptionFunction)(HANDLE, PCWSTR);

SetThreadDescriptionFunction GetSetThreadDescription() {
  static const SetThreadDescriptionFunction function = [] {
    HMODULE kernel32 = ::GetModuleHandleW(L"kernel32.dll");
    return kernel32 ? reinterpret_cast<SetThreadDescriptionFunction>(
                          reinterpret_cast<void*>(::GetProcAddress(
                              kernel32, "SetThreadDescription")))
                    : nullptr;
  }();
  return function;
}

}  // namespace

// static
bool PlatformThread::CreateWithPriority(size_t stack_size, Delegate* delegate,
                                        win::ScopedHandle* thread_handle,
                                        ThreadPriority priority) {
  CHECK(thread_handle);
  return CreatePlatformThread(stack_size, delegate, thread_handle, priority);
}

// static
bool PlatformThread::CreateNonJoinableWithPriority(size_t stack_size,
                                                   Delegate* delegate,
                                                   ThreadPriority priority) {
  return CreatePlatformThread(stack_size, delegate, nullptr, priority);
}

// static
void PlatformThread::Join(win::ScopedHandle thread_handle) {
  CHECK(thread_handle.IsValid());
  DWORD result;
  {
    trace_event::ScopedThreadJoinActivity activity(thread_handle.Get());
    result = ::WaitForSingleObject(thread_handle.Get(), INFINITE);
  }
  if (result != WAIT_OBJECT_0) {
    DWORD error = ::GetLastError();
    LOG(FATAL) << "Failed to join a thread (wait result " << result
               << "): " << logging::SystemErrorCodeToString(error);
  }
}

namespace internal {

void RaiseThreadNameException(const char* name, DWORD thread_id) {
  // The record debuggers read, laid out in the six argument words.
  struct ThreadNameInfo {
    DWORD type;
    const char* name;
    DWORD thread_id;
    DWORD flags;
  };
  // Debuggers read all six words, more than the record fills. Field by
  // field into zeroed words: a copy of the whole struct would carry its
  // padding, uninitialised stack bytes, along.
  ULONG_PTR arguments[6] = {};
  static_assert(sizeof(ThreadNameInfo) <= sizeof(arguments), "record too large");
  char* words = reinterpret_cast<char*>(arguments);
  const DWORD type = kThreadNameInfoType;
  memcpy(words + offsetof(ThreadNameInfo, type), &type, sizeof(type));
  memcpy(words + offsetof(ThreadNameInfo, name), &name, sizeof(name));
  memcpy(words + offsetof(ThreadNameInfo, thread_id), &thread_id,
         sizeof(thread_id));
  // The flags stay 0.
  // Installed last and only around the raise: handlers added by others see
  // the exception first, as they would before a frame-based handler.
  PVOID handler = ::AddVectoredExceptionHandler(0, &SwallowThreadNameException);
  if (!handler) {
    LOG(ERROR) << "Failed to install the thread-naming exception handler";
    return;
  }
  ::RaiseException(kThreadNameException, 0, 6, arguments);
  ::RemoveVectoredExceptionHandler(handler);
}

void SetNameForDebuggers(const std::string& name) {
  if (SetThreadDescriptionFunction set_description = GetSetThreadDescription())
    set_description(::GetCurrentThread(), UTF8ToWide(name).c_str());
  if (::IsDebuggerPresent() || win::IsModuleInstrumented())
    RaiseThreadNameException(name.c_str(), ::GetCurrentThreadId());
}

}  // namespace internal
}  // namespace base
