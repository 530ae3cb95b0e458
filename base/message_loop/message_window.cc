#include "base/message_loop/message_window.h"

#include <atomic>
#include <utility>

#include "base/at_exit.h"
#include "base/lazy_instance.h"
#include "base/logging.h"
#include "base/synchronization/lock.h"
#include "base/win/wrapped_window_proc.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace base {
namespace win {

namespace {

constexpr wchar_t kMessageWindowClassName[] = L"Velto_MessageWindow";

HINSTANCE ThisModule() { return reinterpret_cast<HINSTANCE>(&__ImageBase); }

// The window class, registered on first use and unregistered by the at-exit
// manager of that moment. A use after that registers it again, under the
// manager then in charge, so windows can still be made once a manager has
// ended.
class WindowClass {
 public:
  explicit WindowClass(WNDPROC window_proc) : window_proc_(window_proc) {}

  // The class's atom, registering the class when needed; 0 (logged) when
  // that fails.
  ATOM Get() {
    AutoLock hold(lock_);
    if (atom_ != 0) return atom_;
    WNDCLASSEXW window_class = {};
    window_class.cbSize = sizeof(window_class);
    window_class.lpfnWndProc = window_proc_;
    window_class.hInstance = ThisModule();
    window_class.lpszClassName = kMessageWindowClassName;
    atom_ = ::RegisterClassExW(&window_class);
    if (atom_ == 0) {
      DWORD error = ::GetLastError();
      LOG(ERROR) << "Failed to register the window class for a message-only "
                    "window: "
                 << logging::SystemErrorCodeToString(error);
      return 0;
    }
    AtExitManager::RegisterCallback(&WindowClass::Unregister, this);
    return atom_;
  }

 private:
  static void Unregister(void* self) {
    auto* window_class = static_cast<WindowClass*>(self);
    AutoLock hold(window_class->lock_);
    if (window_class->atom_ == 0) return;
    if (!::UnregisterClassW(MAKEINTATOM(window_class->atom_), ThisModule())) {
      // A window of the class still exists: the class stays registered,
      // and the atom valid.
      DWORD error = ::GetLastError();
      LOG(ERROR) << "Failed to unregister the window class "
                 << kMessageWindowClassName << ": "
                 << logging::SystemErrorCodeToString(error);
      return;
    }
    window_class->atom_ = 0;
  }

  const WNDPROC window_proc_;
  Lock lock_;
  ATOM atom_ = 0;
};

std::atomic<uintptr_t> g_window_class{kLazyInstanceStateNone};

// A failed SetWindowLongPtrW would leave the window without its owner.
void SetUserData(HWND hwnd, void* value) {
  // SetWindowLongPtrW returns the previous value, which may be 0 on
  // success: only a set last error tells a failure.
  ::SetLastError(ERROR_SUCCESS);
  LONG_PTR result =
      ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(value));
  DWORD error = ::GetLastError();
  CHECK(result != 0 || error == ERROR_SUCCESS)
      << "SetWindowLongPtrW failed: " << logging::SystemErrorCodeToString(error);
}

}  // namespace

MessageWindow::~MessageWindow() {
  if (window_) {
    ::DestroyWindow(window_);
    window_ = nullptr;
  }
}

bool MessageWindow::Create(MessageCallback message_callback) {
  CHECK(!window_) << "A message window created twice";
  message_callback_ = std::move(message_callback);
  ATOM atom =
      GetOrCreateLazyPointer<WindowClass>(&g_window_class, [] {
        return new WindowClass(
            &WrappedWindowProc<&MessageWindow::WindowProc>);
      })->Get();
  if (atom == 0) return false;  // logged by the class
  HWND window = ::CreateWindowExW(0, MAKEINTATOM(atom), nullptr, 0, 0, 0, 0,
                                  0, HWND_MESSAGE, nullptr, ThisModule(), this);
  if (!window) {
    DWORD error = ::GetLastError();
    LOG(ERROR) << "Failed to create a message-only window: "
               << logging::SystemErrorCodeToString(error);
    return false;
  }
  return true;
}

// static
LRESULT CALLBACK MessageWindow::WindowProc(HWND hwnd, UINT message,
                                           WPARAM wparam, LPARAM lparam) {
  auto* self = reinterpret_cast<MessageWindow*>(
      ::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  switch (message) {
    case WM_CREATE: {
      auto* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
      self = static_cast<MessageWindow*>(create->lpCreateParams);
      self->window_ = hwnd;
      SetUserData(hwnd, self);
      break;
    }
    case WM_DESTROY:
      SetUserData(hwnd, nullptr);
      break;
  }
  if (self) {
    LRESULT result = 0;
    if (self->message_callback_.Run(message, wparam, lparam, &result))
      return result;
  }
  return ::DefWindowProcW(hwnd, message, wparam, lparam);
}

}  // namespace win
}  // namespace base
