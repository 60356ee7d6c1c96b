// The walks over whole trees: destruction, deep copy and deep comparison, all
// without recursion so that the depth of a tree is limited only by memory.
#include "DomStorage.h"

#include <cmath>
#include <new>
#include <vector>

namespace kor {

namespace {

using Kind = Dom::Kind;

}  // namespace

// Destruction empties one container at a time, from its last element backwards.
// Descending into a child container vacates the parent's last slot; that slot then
// stores the link to the parent's own parent (kind and pointer), so the chain of
// ancestors lives inside the tree being destroyed and no memory is needed. An
// array's elements that own nothing (the common numbers) are passed over without
// a destructor call each; the block is freed when its end is reached.
void DomTree::destroy(Kind kind, void* storage) noexcept {
    struct Link {
        Kind kind;
        void* storage;
    };
    auto lastSlot = [](const Link& c) -> Dom* {
        if (c.kind == Kind::Array) {
            auto* block = static_cast<Dom::ArrayBlock*>(c.storage);
            return block->size ? block->elements() + (block->size - 1) : nullptr;
        }
        auto* members = static_cast<std::vector<Dom::Member>*>(c.storage);
        return members->empty() ? nullptr : &members->back().second;
    };
    auto removeLast = [](const Link& c) {
        if (c.kind == Kind::Array) {
            auto* block = static_cast<Dom::ArrayBlock*>(c.storage);
            block->elements()[block->size - 1].~Dom();
            --block->size;
        } else {
            static_cast<std::vector<Dom::Member>*>(c.storage)->pop_back();
        }
    };
    auto storageOf = [](const Dom& node) -> void* {
        if (node.m_kind == Kind::Array) return node.m_value.a;
        if (node.m_kind == Kind::Object) return node.m_value.o;
        return nullptr;
    };
    auto store = [](Dom& slot, const Link& link) {
        slot.m_kind = link.kind;
        if (link.kind == Kind::Object)
            slot.m_value.o = static_cast<std::vector<Dom::Member>*>(link.storage);
        else if (link.kind == Kind::Array)
            slot.m_value.a = static_cast<Dom::ArrayBlock*>(link.storage);
        else
            slot.m_value.i = 0;
    };

    Link current{kind, storage};
    Link parent{Kind::Empty, nullptr};
    for (;;) {
        Dom* last;
        if (current.kind == Kind::Array) {
            // Skip (and free the strings of) the trailing elements without containers.
            auto* block = static_cast<Dom::ArrayBlock*>(current.storage);
            Dom* elements = block->elements();
            std::uint32_t size = block->size;
            while (size > 0) {
                Dom& element = elements[size - 1];
                if (element.m_kind == Kind::String)
                    delete element.m_value.s;
                else if (element.m_kind >= Kind::Array && storageOf(element))
                    break;
                --size;  // nothing left to release: the slot is dead storage now
            }
            block->size = size;
            last = size ? elements + (size - 1) : nullptr;
        } else {
            last = lastSlot(current);
        }
        if (!last) {
            if (current.kind == Kind::Array)
                Dom::ArrayBlock::deallocate(static_cast<Dom::ArrayBlock*>(current.storage));
            else
                delete static_cast<std::vector<Dom::Member>*>(current.storage);
            if (!parent.storage) return;
            current = parent;
            Dom* slot = lastSlot(current);
            parent = Link{slot->m_kind, storageOf(*slot)};
            slot->m_kind = Kind::Empty;
            slot->m_value.i = 0;
            removeLast(current);
            continue;
        }
        if (void* child = storageOf(*last)) {
            Link next{last->m_kind, child};
            store(*last, parent);
            parent = current;
            current = next;
        } else {
            removeLast(current);  // an object's leaf member: at most a string to free
        }
    }
}

namespace {

// Copies everything of `source` except the elements or members of a container,
// for which `target` (empty) gets empty storage with room for all of them.
void copyShallow(Dom& target, const Dom& source) {
    switch (source.kind()) {
        case Kind::Empty: break;
        case Kind::Bool: target = Dom(source.asBool(false)); break;
        case Kind::Int: target = Dom(source.asInt(0)); break;
        case Kind::Double: target = Dom(source.asDouble(0.0)); break;
        case Kind::String: target = Dom(source.asStringRef()); break;
        case Kind::Array: target.reserve(source.size()); break;
        case Kind::Object: {
            std::vector<Dom::Member> members;
            members.reserve(source.objects().size());
            target = Dom::FromMembers(std::move(members));
            break;
        }
    }
}

std::size_t childCount(const Dom& node) noexcept { return node.isObject() ? node.objects().size() : node.size(); }

bool hasChildren(const Dom& node) noexcept { return childCount(node) != 0; }

}  // namespace

void DomTree::copy(Dom& target, const Dom& source) {
    struct Frame {
        const Dom* source;
        Dom* target;
        std::size_t next;
    };
    Dom result;  // frees a partial copy if an allocation fails
    copyShallow(result, source);
    std::vector<Frame> stack;
    if (hasChildren(source)) stack.push_back(Frame{&source, &result, 0});
    while (!stack.empty()) {
        Frame& frame = stack.back();
        const Dom& from = *frame.source;
        if (frame.next == childCount(from)) {
            stack.pop_back();
            continue;
        }
        const std::size_t index = frame.next++;
        const Dom* child;
        Dom* copy;
        if (from.isArray()) {
            // Room for every element was made by copyShallow: no reallocation.
            Dom& to = frame.target->append();
            child = &from[index];
            copy = &to;
        } else {
            // Reserved likewise, so member addresses stay put.
            const Dom::Member& member = from.objects()[index];
            auto* members = frame.target->m_value.o;
            members->emplace_back(member.first, Dom());
            child = &member.second;
            copy = &members->back().second;
        }
        copyShallow(*copy, *child);
        if (hasChildren(*child)) stack.push_back(Frame{child, copy, 0});  // `frame` is not used after this
    }
    target.swap(result);
}

namespace {

// Equality of everything but the children of containers (for containers: the count).
bool equalShallow(const Dom& a, const Dom& b) noexcept {
    if (a.kind() != b.kind()) return false;
    switch (a.kind()) {
        case Kind::Empty: return true;
        case Kind::Bool: return a.asBool(false) == b.asBool(false);
        case Kind::Int: return a.asInt(0) == b.asInt(0);
        case Kind::Double: {
            const double x = a.asDouble(0.0);
            const double y = b.asDouble(0.0);
            return x == y || (std::isnan(x) && std::isnan(y));
        }
        case Kind::String: return a.asStringRef() == b.asStringRef();
        case Kind::Array: return a.size() == b.size();
        case Kind::Object: return a.objects().size() == b.objects().size();
    }
    return false;
}

}  // namespace

bool DomTree::equal(const Dom& a, const Dom& b) noexcept {
    struct Frame {
        const Dom* a;
        const Dom* b;
        std::size_t next;
    };
    if (!equalShallow(a, b)) return false;
    if (!hasChildren(a)) return true;
    std::vector<Frame> stack;
    stack.push_back(Frame{&a, &b, 0});
    while (!stack.empty()) {
        Frame& frame = stack.back();
        const Dom& x = *frame.a;
        const Dom& y = *frame.b;
        if (frame.next == childCount(x)) {
            stack.pop_back();
            continue;
        }
        const std::size_t index = frame.next++;
        const Dom* cx;
        const Dom* cy;
        if (x.isArray()) {
            cx = &x[index];
            cy = &y[index];
        } else {
            const Dom::Member& mx = x.objects()[index];
            const Dom::Member& my = y.objects()[index];
            if (mx.first != my.first) return false;
            cx = &mx.second;
            cy = &my.second;
        }
        if (!equalShallow(*cx, *cy)) return false;
        if (hasChildren(*cx)) stack.push_back(Frame{cx, cy, 0});
    }
    return true;
}

bool operator==(const Dom& a, const Dom& b) noexcept { return DomTree::equal(a, b); }

}  // namespace kor
