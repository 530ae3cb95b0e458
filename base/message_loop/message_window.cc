#include "base/message_loop/message_window.h"

#include <atomic>
#include <utility>

#include "base/at_exit.h"
#include "base/lazy_instance.h"
#include "base/logging.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace base {
namespace win {

namespace {

constexpr wchar_t kMessageWindowClassName[] = L"Velto_MessageWindow";

HINSTANCE ThisModule() { return reinterpret_cast<HINSTANCE>(&__ImageBase); }

// The window class, registered once per process and unregistered at exit.
class WindowClass {
 public:
  explicit WindowClass(WNDPROC window_proc) {
    WNDCLASSEXW window_class = {};
    window_class.cbSize = sizeof(window_class);
    window_class.lpfnWndProc = window_proc;
    window_class.hInstance = ThisModule();
    window_class.lpszClassName = kMessageWindowClassName;
    atom_ = ::RegisterClassExW(&window_class);
    if (atom_ == 0) {
      DWORD error = ::GetLastError();
      LOG(ERROR) << "Failed to register the window class for a message-only "
                    "window: "
                 << logging::SystemErrorCodeToString(error);
      return;
    }
    AtExitManager::RegisterCallback(&WindowClass::Unregister, this);
  }

  ATOM atom() const { return atom_; }

 private:
  static void Unregister(void* self) {
    auto* window_class = static_cast<WindowClass*>(self);
    if (window_class->atom_ == 0) return;
    ::UnregisterClassW(MAKEINTATOM(window_class->atom_), ThisModule());
    window_class->atom_ = 0;
  }

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
  const WindowClass& window_class =
      *GetOrCreateLazyPointer<WindowClass>(&g_window_class, [] {
        return new WindowClass(&MessageWindow::WindowProc);
      });
  if (window_class.atom() == 0) return false;  // logged by the class
  HWND window = ::CreateWindowExW(
      0, MAKEINTATOM(window_class.atom()), nullptr, 0, 0, 0, 0, 0,
      HWND_MESSAGE, nullptr, ThisModule(), this);
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
