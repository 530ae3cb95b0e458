#include "base/win/scoped_handle_verifier.h"

#include <string.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <new>

#include "base/immediate_crash.h"

// The image base of the module this code is linked into.
extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace base {
namespace win {

namespace {

// Keeps |data| and everything it points to alive in a crash dump: the
// compiler must assume the asm reads it, so it cannot drop the copy.
inline void KeepForCrashDump(const void* data) {
  asm volatile("" : : "r"(data) : "memory");
}

// Restores the thread's last error when the scope ends.
class LastErrorKeeper {
 public:
  LastErrorKeeper() : last_error_(::GetLastError()) {}
  ~LastErrorKeeper() { ::SetLastError(last_error_); }
  LastErrorKeeper(const LastErrorKeeper&) = delete;
  LastErrorKeeper& operator=(const LastErrorKeeper&) = delete;

 private:
  const DWORD last_error_;
};

// The verifier lock, shared by every verifier this module makes.
Lock* GetVerifierLock() {
  static Lock* lock = new Lock;
  return lock;
}

// The process verifier as this module sees it; written once, under the lock.
std::atomic<HandleVerifier*> g_active_verifier{nullptr};

using GetHandleVerifierFunction = HandleVerifier* (*)();

HandleVerifier* PublishVerifier(HandleVerifier* candidate) {
  AutoLock hold(*GetVerifierLock());
  HandleVerifier* published = g_active_verifier.load();
  if (!published) {
    g_active_verifier.store(candidate);
    published = candidate;
  }
  return published;
}

HandleVerifier* InstallVerifier() {
  auto* main_function = reinterpret_cast<GetHandleVerifierFunction>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(nullptr),
                                               "GetHandleVerifier")));
  GetHandleVerifierFunction own_function = &GetHandleVerifier;
  if (main_function && main_function != own_function) {
    if (HandleVerifier* main_verifier = main_function())
      return PublishVerifier(main_verifier);
    // The executable's function handed out nothing: fall through to a
    // verifier of our own rather than leave the process without one.
  }

  // Track only when this code is the main executable's: a library's private
  // table would miss every handle the executable and other modules hold.
  bool enabled = main_function == own_function;
  // Made outside the lock: no other lock is taken while the verifier lock is
  // held, and making one sets up a thread-local slot.
  auto* own_verifier = new ScopedHandleVerifier(enabled);
  HandleVerifier* published = PublishVerifier(own_verifier);
  if (published != own_verifier)
    delete own_verifier;
  return published;
}

HandleVerifier* GetVerifier() {
  HandleVerifier* verifier = g_active_verifier.load();
  return verifier ? verifier : InstallVerifier();
}

// ntdll's NtQueryObject, looked up once. It has no import library entry in
// every SDK and is absent from some systems.
using NtQueryObjectFunction = LONG(WINAPI*)(HANDLE handle, int info_class,
                                            void* info, ULONG info_length,
                                            ULONG* return_length);
constexpr int kObjectTypeInformation = 2;
constexpr LONG kStatusInfoLengthMismatch = static_cast<LONG>(0xC0000004);
constexpr LONG kStatusNoMemory = static_cast<LONG>(0xC0000017);
constexpr LONG kStatusNotImplemented = static_cast<LONG>(0xC0000002);

NtQueryObjectFunction GetNtQueryObject() {
  static const NtQueryObjectFunction function = [] {
    HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    if (!ntdll)
      return NtQueryObjectFunction(nullptr);
    return reinterpret_cast<NtQueryObjectFunction>(
        reinterpret_cast<void*>(::GetProcAddress(ntdll, "NtQueryObject")));
  }();
  return function;
}

// The start of the OBJECT_TYPE_INFORMATION record: a counted UTF-16 name.
struct ObjectTypeName {
  USHORT length;  // In bytes, without a terminator.
  USHORT maximum_length;
  const wchar_t* buffer;
};

// Asks for the object type of |handle|. On success |*is_process| tells
// whether the type name is exactly "Process".
LONG QueryIsProcessHandle(HANDLE handle, bool* is_process) {
  *is_process = false;
  NtQueryObjectFunction query = GetNtQueryObject();
  if (!query)
    return kStatusNotImplemented;

  ULONG size = 0;
  LONG status = query(handle, kObjectTypeInformation, nullptr, 0, &size);
  if (status != kStatusInfoLengthMismatch)
    return status;
  size = std::max<ULONG>(size, sizeof(ObjectTypeName));
  std::unique_ptr<char[]> buffer(new (std::nothrow) char[size]);
  if (!buffer)
    return kStatusNoMemory;
  status = query(handle, kObjectTypeInformation, buffer.get(), size, &size);
  if (status < 0)
    return status;

  static const wchar_t kProcessType[] = L"Process";
  constexpr size_t kProcessTypeBytes = sizeof(kProcessType) - sizeof(wchar_t);
  const auto* name = reinterpret_cast<const ObjectTypeName*>(buffer.get());
  *is_process = name->length == kProcessTypeBytes && name->buffer &&
                memcmp(name->buffer, kProcessType, kProcessTypeBytes) == 0;
  return status;
}

}  // namespace

StackTrace::StackTrace() : StackTrace(kMaxFrames) {}

StackTrace::StackTrace(size_t max_frames) {
  max_frames = std::min(max_frames, kMaxFrames);
  count_ = ::RtlCaptureStackBackTrace(0, static_cast<DWORD>(max_frames),
                                      frames_, nullptr);
  std::fill(frames_ + count_, frames_ + kMaxFrames, nullptr);
}

size_t ScopedHandleVerifier::HandleHash::operator()(HANDLE handle) const {
  return internal::SuperFastHash(reinterpret_cast<const char*>(&handle),
                                 sizeof(handle));
}

ScopedHandleVerifier::ScopedHandleVerifier(bool enabled)
    : enabled_(enabled),
      closing_(nullptr),
      lock_(GetVerifierLock()),
      map_(8) {
  map_.max_load_factor(1.0f);
}

ScopedHandleVerifier::~ScopedHandleVerifier() { closing_.Free(); }

bool ScopedHandleVerifier::CloseHandle(HANDLE handle) {
  LastErrorKeeper keep_last_error;
  if (!enabled_)
    return CloseHandleWithCheck(handle);
  closing_.SetBoolean(true);
  bool closed = CloseHandleWithCheck(handle);
  closing_.SetBoolean(false);
  return closed;
}

void ScopedHandleVerifier::StartTracking(HANDLE handle, const void* owner,
                                         const void* pc1, const void* pc2) {
  if (!enabled_)
    return;
  LastErrorKeeper keep_last_error;
  // The stack is taken before the lock: the walk is slow and needs no table.
  HandleInfo info = {owner, pc1, pc2, StackTrace(), ::GetCurrentThreadId()};
  AutoLock hold(*lock_);
  auto inserted = map_.emplace(handle, info);
  if (!inserted.second) {
    // Tracked twice: two owners would close the same handle.
    HandleInfo existing = inserted.first->second;
    StackTrace creation_stack = creation_stack_;
    KeepForCrashDump(&existing);
    KeepForCrashDump(&creation_stack);
    KeepForCrashDump(&info);
    ImmediateCrash();
  }
}

void ScopedHandleVerifier::StopTracking(HANDLE handle, const void* owner,
                                        const void* pc1, const void* pc2) {
  if (!enabled_)
    return;
  LastErrorKeeper keep_last_error;
  AutoLock hold(*lock_);
  auto found = map_.find(handle);
  if (found == map_.end()) {
    // Released without being tracked.
    HANDLE untracked = handle;
    StackTrace creation_stack = creation_stack_;
    KeepForCrashDump(&untracked);
    KeepForCrashDump(&creation_stack);
    ImmediateCrash();
  }
  if (found->second.owner != owner) {
    HandleInfo existing = found->second;
    const void* wrong_owner = owner;
    KeepForCrashDump(&existing);
    KeepForCrashDump(&wrong_owner);
    ImmediateCrash();
  }
  map_.erase(found);
}

void ScopedHandleVerifier::Disable() { enabled_ = false; }

void ScopedHandleVerifier::OnHandleBeingClosed(HANDLE handle) {
  if (!enabled_)
    return;
  LastErrorKeeper keep_last_error;
  if (closing_.GetBoolean())
    return;  // Our own close.
  AutoLock hold(*lock_);
  auto found = map_.find(handle);
  if (found != map_.end()) {
    // Closed behind its owner's back.
    HandleInfo existing = found->second;
    KeepForCrashDump(&existing);
    ImmediateCrash();
  }
}

HMODULE ScopedHandleVerifier::GetModule() const {
  return reinterpret_cast<HMODULE>(&__ImageBase);
}

bool CloseHandleWithCheck(HANDLE handle) {
  if (::CloseHandle(handle))
    return true;

  DWORD close_error = ::GetLastError();
  KeepForCrashDump(&close_error);
  bool is_process = false;
  LONG query_status = QueryIsProcessHandle(handle, &is_process);
  KeepForCrashDump(&query_status);
  DWORD flags = 0;
  if (!::GetHandleInformation(handle, &flags))
    flags = 0;
  KeepForCrashDump(&flags);

  // A protected process handle refuses to close and comes to no harm.
  if (query_status >= 0 && is_process &&
      (flags & HANDLE_FLAG_PROTECT_FROM_CLOSE)) {
    return false;
  }
  // Anything else is a handle already closed, never opened, or not a handle.
  ImmediateCrash();
}

bool IsModuleInstrumented() {
  // 0 not yet known, 1 yes, 2 no.
  static std::atomic<int> state{0};
  int known = state.load();
  if (known == 0) {
    known = internal::ImageHasInstrumentationSections(&__ImageBase) ? 1 : 2;
    state.store(known);
  }
  return known == 1;
}

bool VerifierCloseHandle(HANDLE handle) {
  return GetVerifier()->CloseHandle(handle);
}

void StartHandleTracking(HANDLE handle, const void* owner, const void* pc1,
                         const void* pc2) {
  LastErrorKeeper keep_last_error;
  GetVerifier()->StartTracking(handle, owner, pc1, pc2);
}

void StopHandleTracking(HANDLE handle, const void* owner, const void* pc1,
                        const void* pc2) {
  LastErrorKeeper keep_last_error;
  GetVerifier()->StopTracking(handle, owner, pc1, pc2);
}

namespace internal {

bool ImageHasInstrumentationSections(const void* module_base) {
  const auto* base = static_cast<const char*>(module_base);
  const auto* dos_header = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt_headers =
      reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos_header->e_lfanew);
  const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(nt_headers);
  static const char kThunks[IMAGE_SIZEOF_SHORT_NAME] = ".thunks";
  static const char kSyzygy[IMAGE_SIZEOF_SHORT_NAME] = ".syzygy";
  bool has_thunks = false;
  bool has_syzygy = false;
  for (WORD i = 0; i < nt_headers->FileHeader.NumberOfSections; ++i) {
    // Section names are 8 bytes, padded with NULs, not always terminated.
    if (memcmp(section[i].Name, kThunks, IMAGE_SIZEOF_SHORT_NAME) == 0)
      has_thunks = true;
    else if (memcmp(section[i].Name, kSyzygy, IMAGE_SIZEOF_SHORT_NAME) == 0)
      has_syzygy = true;
  }
  return has_thunks && has_syzygy;
}

uint32_t SuperFastHash(const char* data, int length) {
  if (!data || length <= 0)
    return 0;
  auto get16 = [](const char* bytes) {
    uint16_t value;
    memcpy(&value, bytes, sizeof(value));
    return static_cast<uint32_t>(value);
  };
  auto signed_byte = [](char byte) {
    return static_cast<uint32_t>(static_cast<int32_t>(
        static_cast<signed char>(byte)));
  };

  uint32_t hash = static_cast<uint32_t>(length);
  int remainder = length & 3;
  for (int blocks = length >> 2; blocks > 0; --blocks) {
    hash += get16(data);
    uint32_t mixed = (get16(data + 2) << 11) ^ hash;
    hash = (hash << 16) ^ mixed;
    data += 4;
    hash += hash >> 11;
  }
  switch (remainder) {
    case 3:
      hash += get16(data);
      hash ^= hash << 16;
      hash ^= signed_byte(data[2]) << 18;
      hash += hash >> 11;
      break;
    case 2:
      hash += get16(data);
      hash ^= hash << 11;
      hash += hash >> 17;
      break;
    case 1:
      hash += signed_byte(data[0]);
      hash ^= hash << 10;
      hash += hash >> 1;
      break;
  }
  hash ^= hash << 3;
  hash += hash >> 5;
  hash ^= hash << 4;
  hash += hash >> 17;
  hash ^= hash << 25;
  hash += hash >> 6;
  return hash;
}

}  // namespace internal

}  // namespace win
}  // namespace base

extern "C" __declspec(dllexport) base::win::HandleVerifier*
GetHandleVerifier() {
  return base::win::GetVerifier();
}
