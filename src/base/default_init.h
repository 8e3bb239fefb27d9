#pragma once
// An allocator whose containers leave new elements uninitialised on resize(n), for buffers that
// are written completely right after they are sized (decoded pixels, file bytes). Explicit
// values (vector(n, value), resize(n, value)) still fill as usual.
#include <memory>
#include <type_traits>
#include <utility>

namespace vexilo {

template <typename T, typename Base = std::allocator<T>>
class DefaultInitAllocator : public Base {
public:
    using Base::Base;
    DefaultInitAllocator() = default;
    template <typename U>
    DefaultInitAllocator(
        const DefaultInitAllocator<U, typename std::allocator_traits<Base>::template rebind_alloc<U>>&
            other) noexcept
        : Base(other) {}
    template <typename U>
    struct rebind {
        using other = DefaultInitAllocator<U, typename std::allocator_traits<Base>::template rebind_alloc<U>>;
    };

    template <typename U>
    void construct(U* p) noexcept(std::is_nothrow_default_constructible_v<U>) {
        ::new (static_cast<void*>(p)) U;
    }
    template <typename U, typename... Args>
    void construct(U* p, Args&&... args) {
        std::allocator_traits<Base>::construct(static_cast<Base&>(*this), p, std::forward<Args>(args)...);
    }
};

}  // namespace vexilo
