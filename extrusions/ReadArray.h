// Shared shape of the extrusion readers: look up the key, require an array, raise
// the capacity once to exactly what is needed, then append one default element per
// array element and read it with the element's own from(). Never clears `list`.
#pragma once

#include <cstddef>
#include <vector>

#include <kor/Dom.h>

namespace kor {
namespace ShapeExport {

template <typename T>
void AppendFromArray(std::vector<T>& list, const kor::Dom& node, const char* key) {
    if (!node.has(key)) return;
    const kor::Dom& array = node[key];
    if (!array.isArray()) return;
    const std::size_t n = array.size();
    if (list.capacity() < list.size() + n) list.reserve(list.size() + n);
    for (std::size_t i = 0; i < n; ++i) {
        list.emplace_back();
        list.back().from(array[i]);
    }
}

}  // namespace ShapeExport
}  // namespace kor
