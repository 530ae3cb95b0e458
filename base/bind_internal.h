// The machinery behind base::Bind: the typed bind state, its invoke and
// is-cancelled functions, and the run type left after binding.
#ifndef BASE_BIND_INTERNAL_H_
#define BASE_BIND_INTERNAL_H_

#include <stddef.h>

#include <functional>
#include <tuple>
#include <type_traits>
#include <utility>

#include "base/bind_helpers.h"
#include "base/callback.h"
#include "base/callback_internal.h"
#include "base/memory/weak_ptr.h"

namespace base {
namespace internal {

// The full run type of a functor; a method takes its receiver first.
template <typename Functor>
struct FunctorTraits;

template <typename R, typename... Args>
struct FunctorTraits<R (*)(Args...)> {
  using ReturnType = R;
  using Params = std::tuple<Args...>;
  static constexpr bool is_method = false;
};

template <typename R, typename Receiver, typename... Args>
struct FunctorTraits<R (Receiver::*)(Args...)> {
  using ReturnType = R;
  using Params = std::tuple<Receiver*, Args...>;
  static constexpr bool is_method = true;
};

template <typename R, typename Receiver, typename... Args>
struct FunctorTraits<R (Receiver::*)(Args...) const> {
  using ReturnType = R;
  using Params = std::tuple<const Receiver*, Args...>;
  static constexpr bool is_method = true;
};

// The Callback type for the parameters left after the first |offset|.
template <typename R, typename Params, size_t offset, size_t... I>
Callback<R(std::tuple_element_t<offset + I, Params>...)>
    MakeUnboundCallback(std::index_sequence<I...>);

template <typename Functor, size_t bound_count>
struct UnboundCallback {
  using Traits = FunctorTraits<Functor>;
  static constexpr size_t param_count =
      std::tuple_size<typename Traits::Params>::value;
  static_assert(bound_count <= param_count,
                "More arguments bound than the function takes");
  using Type =
      decltype(MakeUnboundCallback<typename Traits::ReturnType,
                                   typename Traits::Params, bound_count>(
          std::make_index_sequence<param_count - bound_count>()));
};

// Captureless lambdas bind as the plain functions they convert to; state a
// lambda captured would be owned outside the bind state's rules.
template <typename F, typename = void>
struct HasFunctionPointerForm : std::false_type {};
template <typename F>
struct HasFunctionPointerForm<F, std::void_t<decltype(+std::declval<F>())>>
    : std::is_pointer<decltype(+std::declval<F>())> {};

template <typename F>
auto NormalizeFunctor(F&& functor) {
  using Decayed = std::decay_t<F>;
  if constexpr (std::is_class<Decayed>::value) {
    static_assert(HasFunctionPointerForm<Decayed>::value,
                  "Bind takes functions, methods and captureless lambdas; "
                  "bind captured state as arguments instead");
    return +functor;
  } else {
    return static_cast<Decayed>(functor);
  }
}

template <typename T>
struct IsWeakPtr : std::false_type {};
template <typename T>
struct IsWeakPtr<WeakPtr<T>> : std::true_type {};

// What the function receives for each stored argument.
template <typename T>
const T& Unwrap(const T& value) {
  return value;
}
template <typename T>
T* Unwrap(const UnretainedWrapper<T>& value) {
  return value.get();
}
template <typename T>
T* Unwrap(const OwnedWrapper<T>& value) {
  return value.get();
}
template <typename T>
T Unwrap(const PassedWrapper<T>& value) {
  return value.Take();
}

template <typename Functor, typename... BoundArgs>
class BindState final : public BindStateBase {
 public:
  using Traits = FunctorTraits<Functor>;
  using BoundTuple = std::tuple<BoundArgs...>;

  // A method whose receiver is bound through a WeakPtr: it does nothing, and
  // counts as cancelled, once the object is gone.
  static constexpr bool kIsWeakCall =
      Traits::is_method && sizeof...(BoundArgs) > 0 &&
      IsWeakPtr<std::tuple_element_t<0, std::tuple<BoundArgs..., void>>>::value;

  template <typename F, typename... Args>
  BindState(InvokeFuncStorage invoke, F&& functor, Args&&... args)
      : BindState(std::integral_constant<bool, kIsWeakCall>(), invoke,
                  std::forward<F>(functor), std::forward<Args>(args)...) {}

  // Runs the functor with the bound arguments followed by |unbound|.
  template <typename... Unbound>
  typename Traits::ReturnType Call(Unbound&&... unbound) const {
    if constexpr (kIsWeakCall) {
      static_assert(std::is_void<typename Traits::ReturnType>::value,
                    "A weak call may be skipped, so it cannot return a value");
      const auto& receiver = std::get<0>(bound_args_);
      if (!receiver) return;
      CallWithReceiver(receiver.get(),
                       std::make_index_sequence<sizeof...(BoundArgs) - 1>(),
                       std::forward<Unbound>(unbound)...);
    } else {
      return CallAll(std::make_index_sequence<sizeof...(BoundArgs)>(),
                     std::forward<Unbound>(unbound)...);
    }
  }

 private:
  template <typename F, typename... Args>
  BindState(std::true_type, InvokeFuncStorage invoke, F&& functor,
            Args&&... args)
      : BindStateBase(invoke, &Destroy, &IsWeakReceiverGone),
        functor_(std::forward<F>(functor)),
        bound_args_(std::forward<Args>(args)...) {}
  template <typename F, typename... Args>
  BindState(std::false_type, InvokeFuncStorage invoke, F&& functor,
            Args&&... args)
      : BindStateBase(invoke, &Destroy), functor_(std::forward<F>(functor)),
        bound_args_(std::forward<Args>(args)...) {}
  ~BindState() = default;

  template <size_t... I, typename... Unbound>
  typename Traits::ReturnType CallAll(std::index_sequence<I...>,
                                      Unbound&&... unbound) const {
    return std::invoke(functor_, Unwrap(std::get<I>(bound_args_))...,
                       std::forward<Unbound>(unbound)...);
  }

  // The arguments after the receiver, which is index 0.
  template <typename Receiver, size_t... I, typename... Unbound>
  void CallWithReceiver(Receiver* receiver, std::index_sequence<I...>,
                        Unbound&&... unbound) const {
    std::invoke(functor_, receiver, Unwrap(std::get<I + 1>(bound_args_))...,
                std::forward<Unbound>(unbound)...);
  }

  static void Destroy(const BindStateBase* self) {
    delete static_cast<const BindState*>(self);
  }
  static bool IsWeakReceiverGone(const BindStateBase* self) {
    return !std::get<0>(static_cast<const BindState*>(self)->bound_args_);
  }

  Functor functor_;
  BoundTuple bound_args_;
};

template <typename State, typename RunType>
struct Invoker;

template <typename State, typename R, typename... Unbound>
struct Invoker<State, R(Unbound...)> {
  static R Run(BindStateBase* base, Unbound&&... unbound) {
    return static_cast<const State*>(base)->Call(
        std::forward<Unbound>(unbound)...);
  }
};

}  // namespace internal
}  // namespace base

#endif  // BASE_BIND_INTERNAL_H_
