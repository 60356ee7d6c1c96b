#include "VertexRuns.h"

namespace kor {
namespace ShapeExport {
namespace detail {

namespace {

// Appends the run first..last of `from` to `to`; with last == first the run goes
// once around and, when `closed`, ends on `first` again.
void AppendRun(VertexList& to, const VertexList& from, int first, int last, bool closed) {
    const auto begin = from.begin();
    if (last > first) {
        to.insert(to.end(), begin + first, begin + last + 1);
    } else {
        to.insert(to.end(), begin + first, from.end());
        to.insert(to.end(), begin, begin + (last < first || closed ? last + 1 : first));
    }
}

}  // namespace

VertexList CopyRun(const VertexList& from, int first, int last) {
    VertexList run;
    run.reserve(from.size());
    AppendRun(run, from, first, last, false);
    if (last != first) run.front().SetExterior(false);
    return run;
}

void SpliceBridge(VertexList& into, int at, const VertexList& from, int first, int last) {
    VertexList bridge;
    bridge.reserve(from.size() + 2);
    AppendRun(bridge, from, first, last, true);
    bridge.front().SetExterior(false);
    bridge.emplace_back(into[static_cast<std::size_t>(at)].Index(), false);
    into.insert(into.begin() + at + 1, bridge.begin(), bridge.end());
}

void CutRun(VertexList& list, int first, int last) {
    if (last > first) {
        list.erase(list.begin() + first + 1, list.begin() + last);
        list[static_cast<std::size_t>(first) + 1].SetExterior(false);
    } else {
        list.erase(list.begin() + first + 1, list.end());
        list.erase(list.begin(), list.begin() + last);
        list.front().SetExterior(false);
    }
}

}  // namespace detail
}  // namespace ShapeExport
}  // namespace kor
