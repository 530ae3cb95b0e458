// A message-only window whose messages go to a callback: how a pump gets a
// window of its own for its wake-up message and its timer.
//
//   win::MessageWindow window;
//   if (!window.Create(Bind(&Pump::OnMessage, Unretained(this))))
//     return;  // already logged
//   ::PostMessageW(window.hwnd(), WM_USER, 0, 0);
//
// The callback answers true when it handled a message and then sets the
// result; otherwise the window procedure calls DefWindowProcW. The window
// belongs to the thread that created it and is destroyed with the object.
#ifndef BASE_MESSAGE_LOOP_MESSAGE_WINDOW_H_
#define BASE_MESSAGE_LOOP_MESSAGE_WINDOW_H_

#include "base/callback.h"
#include "base/win/windows_types.h"

namespace base {
namespace win {

class MessageWindow {
 public:
  using MessageCallback =
      Callback<bool(UINT message, WPARAM wparam, LPARAM lparam,
                    LRESULT* result)>;

  MessageWindow() = default;
  MessageWindow(const MessageWindow&) = delete;
  MessageWindow& operator=(const MessageWindow&) = delete;
  // Destroys the window, then releases the callback.
  ~MessageWindow();

  // Creates the window on the calling thread. False (logged) on failure.
  bool Create(MessageCallback message_callback);

  HWND hwnd() const { return window_; }

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wparam,
                                     LPARAM lparam);

  MessageCallback message_callback_;
  HWND window_ = nullptr;
};

}  // namespace win
}  // namespace base

#endif  // BASE_MESSAGE_LOOP_MESSAGE_WINDOW_H_
