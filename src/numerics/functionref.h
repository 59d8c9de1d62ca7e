// A non-owning reference to a callable: passes a lambda to a routine compiled elsewhere without
// a heap allocation or a template.
#pragma once

#include <memory>
#include <type_traits>
#include <utility>

namespace gyro {

template <class Signature> class FunctionRef;

/// Refers to a callable that must outlive the reference (pass it down a call, never store it).
template <class R, class... Args> class FunctionRef<R(Args...)> {
public:
    template <class F, class = std::enable_if_t<!std::is_same_v<std::decay_t<F>, FunctionRef>>>
    FunctionRef(F&& f) // NOLINT: implicit, like a function pointer
        : m_object(const_cast<void*>(static_cast<const void*>(std::addressof(f)))),
          m_call([](void* o, Args... args) -> R {
              return (*static_cast<std::remove_reference_t<F>*>(o))(std::forward<Args>(args)...);
          }) {}
    R operator()(Args... args) const { return m_call(m_object, std::forward<Args>(args)...); }

private:
    void* m_object;
    R (*m_call)(void*, Args...);
};

} // namespace gyro
