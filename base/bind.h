// base::Bind: makes a Callback from a function, a method or a captureless
// lambda and some of its leading arguments.
//
//   int Add(int a, int b);
//   base::Callback<int(int)> add_two = base::Bind(&Add, 2);
//   add_two.Run(3);                                     // 5
//
//   base::Closure flush = base::Bind(&Writer::Flush, base::Unretained(this));
//   base::Closure poll = base::Bind(&Poller::Poll, weak_factory_.GetWeakPtr());
//
// Ownership: every bound argument is copied or moved into the bind state and
// lives exactly as long as it: it is destroyed, on the thread that drops the
// last copy of the callback, whether or not the callback ever ran. Plain
// bound arguments reach the function as const references, so binding one
// never lets the function change the stored copy. See base/bind_helpers.h
// for Unretained, Owned and Passed.
//
// A method's receiver is its first bound argument and must say how the
// object stays alive: Unretained(this) (the caller guarantees it), Owned(p),
// a scoped_refptr (the callback holds a reference) or a WeakPtr. A method
// bound through a WeakPtr returns void; once the object is gone, running the
// callback does nothing and IsCancelled() answers true.
#ifndef BASE_BIND_H_
#define BASE_BIND_H_

#include <tuple>
#include <type_traits>
#include <utility>

#include "base/bind_helpers.h"
#include "base/bind_internal.h"
#include "base/callback.h"

namespace base {

template <typename Functor, typename... Args>
auto Bind(Functor&& functor, Args&&... args) {
  auto normalized = internal::NormalizeFunctor(std::forward<Functor>(functor));
  using FunctorType = decltype(normalized);
  using Traits = internal::FunctorTraits<FunctorType>;
  using State = internal::BindState<FunctorType, std::decay_t<Args>...>;
  using CallbackType =
      typename internal::UnboundCallback<FunctorType, sizeof...(Args)>::Type;

  if constexpr (Traits::is_method) {
    static_assert(sizeof...(Args) > 0, "A method needs its receiver bound");
    static_assert(
        !std::is_pointer<
            std::decay_t<std::tuple_element_t<0, std::tuple<Args...>>>>::value,
        "Bind a method's receiver through Unretained, Owned, a scoped_refptr "
        "or a WeakPtr");
  }

  auto invoke = reinterpret_cast<internal::BindStateBase::InvokeFuncStorage>(
      &internal::Invoker<State, typename CallbackType::RunType>::Run);
  return CallbackType(
      new State(invoke, normalized, std::forward<Args>(args)...));
}

}  // namespace base

#endif  // BASE_BIND_H_
