// kor::BBox<N,T>: an axis-aligned box given by its corners `min` and `max`.
// A new box is empty: min = +inf, max = -inf in every component, so that the
// first point extended into it becomes both corners.
#pragma once

#include <cstddef>
#include <limits>

#include <kor/math/Vec.h>

namespace kor {

template <std::size_t N, typename T>
struct BBox {
    Vec<N, T> min;
    Vec<N, T> max;

    BBox() { Clear(); }
    BBox(const Vec<N, T>& lo, const Vec<N, T>& hi) : min(lo), max(hi) {}

    // Back to the empty box.
    void Clear() {
        for (std::size_t i = 0; i < N; ++i) {
            min[i] = std::numeric_limits<T>::infinity();
            max[i] = -std::numeric_limits<T>::infinity();
        }
    }

    // True while nothing has been extended into the box (min > max on some axis).
    bool IsEmpty() const {
        for (std::size_t i = 0; i < N; ++i)
            if (!(max[i] >= min[i])) return true;
        return false;
    }

    // Whether the point lies in the box, its border included (a NaN component never does).
    bool Contains(const Vec<N, T>& p) const {
        for (std::size_t i = 0; i < N; ++i)
            if (!(p[i] >= min[i] && p[i] <= max[i])) return false;
        return true;
    }

    // Component-wise minimum into min, maximum into max. The comparisons are
    // written so that a NaN component of the point leaves the corner as it was.
    void Extend(const Vec<N, T>& p) {
        for (std::size_t i = 0; i < N; ++i) {
            if (p[i] < min[i]) min[i] = p[i];
            if (p[i] > max[i]) max[i] = p[i];
        }
    }

    // Merges another box: both of its corners are extended into this one.
    void Extend(const BBox& other) {
        for (std::size_t i = 0; i < N; ++i) {
            if (other.min[i] < min[i]) min[i] = other.min[i];
            if (other.max[i] > max[i]) max[i] = other.max[i];
        }
    }
};

}  // namespace kor
