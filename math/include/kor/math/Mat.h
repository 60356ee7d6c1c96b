// kor::Mat<N,T>: an N x N matrix of N*N values stored in one block m[0..N*N-1],
// as N groups of N. Mat<4,double> is the 4x4 transform of the library: a point
// (x, y, z) maps to homogeneous component k = x*m[k] + y*m[4+k] + z*m[8+k] + m[12+k],
// so m[12], m[13], m[14] carry the translation.
#pragma once

#include <cstddef>

namespace kor {

template <std::size_t N, typename T>
struct alignas(16) Mat {
    T m[N * N] = {};

    static Mat Identity() {
        Mat r;
        for (std::size_t i = 0; i < N; ++i) r.m[i * N + i] = T(1);
        return r;
    }

    T& operator[](std::size_t i) { return m[i]; }
    const T& operator[](std::size_t i) const { return m[i]; }

    // Element (row, column) with row r holding m[r*N .. r*N+N-1].
    T& at(std::size_t row, std::size_t col) { return m[row * N + col]; }
    const T& at(std::size_t row, std::size_t col) const { return m[row * N + col]; }

    friend bool operator==(const Mat& a, const Mat& b) {
        for (std::size_t i = 0; i < N * N; ++i)
            if (!(a.m[i] == b.m[i])) return false;
        return true;
    }
    friend bool operator!=(const Mat& a, const Mat& b) { return !(a == b); }
};

static_assert(alignof(Mat<4, double>) == 16, "the transform block is 16-byte aligned");
static_assert(sizeof(Mat<4, double>) == 16 * sizeof(double), "sixteen doubles, no padding");

}  // namespace kor
