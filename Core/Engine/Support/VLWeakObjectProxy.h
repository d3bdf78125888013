#pragma once

#include <functional>
#include <memory>
#include <type_traits>
#include <utility>

// Reaches a target without keeping it alive: calls go to the target while it exists, and once it is
// gone they do nothing and return a zero value (nullptr, 0, false, an empty value). Any thread may
// call through it; the target itself decides which of its calls are safe from which thread.
template <typename T>
class VLWeakObjectProxy {
public:
    explicit VLWeakObjectProxy(std::weak_ptr<T> target) : _target(std::move(target)) {}
    virtual ~VLWeakObjectProxy() = default;

    static std::shared_ptr<VLWeakObjectProxy> proxyWithTarget(std::weak_ptr<T> target) {
        return std::make_shared<VLWeakObjectProxy>(std::move(target));
    }

    // The target, or nullptr once it is gone.
    std::shared_ptr<T> target() const { return _target.lock(); }

    // Invokes a member function (or anything callable with T&) on the target with the arguments, and
    // returns its result by value; a value-initialised result when the target is gone.
    template <typename Function, typename... Arguments>
    auto call(Function&& function, Arguments&&... arguments) const {
        using Result = std::remove_cvref_t<std::invoke_result_t<Function, T&, Arguments...>>;
        std::shared_ptr<T> target = _target.lock();
        if constexpr (std::is_void_v<Result>) {
            if (target)
                std::invoke(std::forward<Function>(function), *target, std::forward<Arguments>(arguments)...);
        } else {
            if (!target)
                return Result{};
            return Result(std::invoke(std::forward<Function>(function), *target,
                                      std::forward<Arguments>(arguments)...));
        }
    }

private:
    std::weak_ptr<T> _target;
};
