// kor::Vec<N,T>: a fixed-size vector of N components, used as a 2D point by the
// cross-section classes (kor::Vec<2,double>, x then y).
#pragma once

#include <cstddef>
#include <type_traits>

namespace kor {

template <std::size_t N, typename T>
struct Vec {
    static_assert(N >= 1, "a vector has at least one component");

    T v[N] = {};

    constexpr Vec() = default;

    // Component-wise constructor: Vec<2,double>(x, y), Vec<3,double>(x, y, z).
    template <typename... Args, typename = typename std::enable_if<sizeof...(Args) == N>::type>
    constexpr Vec(Args... components) : v{static_cast<T>(components)...} {}

    constexpr T& operator[](std::size_t i) { return v[i]; }
    constexpr const T& operator[](std::size_t i) const { return v[i]; }

    constexpr T& x() { return v[0]; }
    constexpr const T& x() const { return v[0]; }
    template <std::size_t M = N, typename = typename std::enable_if<(M >= 2)>::type>
    constexpr T& y() {
        return v[1];
    }
    template <std::size_t M = N, typename = typename std::enable_if<(M >= 2)>::type>
    constexpr const T& y() const {
        return v[1];
    }
    template <std::size_t M = N, typename = typename std::enable_if<(M >= 3)>::type>
    constexpr T& z() {
        return v[2];
    }
    template <std::size_t M = N, typename = typename std::enable_if<(M >= 3)>::type>
    constexpr const T& z() const {
        return v[2];
    }

    static constexpr std::size_t size() { return N; }

    // Exact component-wise comparison (no tolerance; NaN is unequal to itself).
    friend constexpr bool operator==(const Vec& a, const Vec& b) {
        for (std::size_t i = 0; i < N; ++i)
            if (!(a.v[i] == b.v[i])) return false;
        return true;
    }
    friend constexpr bool operator!=(const Vec& a, const Vec& b) { return !(a == b); }
};

}  // namespace kor
