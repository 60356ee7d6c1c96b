// kor::Dom: one node of a JSON document tree.
//
// A node is empty (JSON null, and the state of a default-constructed node), a
// boolean, an integer (64-bit), a double, a string, an array or an object. Objects
// keep their members in document order as (key, value) pairs; a key may occur more
// than once, and lookups by key find the first member with that key.
//
// Conversions never fail; each `as...` takes the value to return when the node does
// not hold a fitting value:
//   asBool    booleans only (numbers and strings give the fallback).
//   asInt     integers; doubles truncated toward zero when finite and inside the
//             range of long long ([-2^63, 2^63)), so -1.5 gives -1; NaN, infinities,
//             doubles outside that range and every other kind give the fallback.
//   asDouble  any number (integers converted to the nearest double).
//   asString  strings only. asStringRef gives the string without copying (a shared
//             empty string for other kinds).
// Strings are byte sequences: they may hold zero bytes and are not checked for UTF-8.
//
// Reading: size() is the element count of an array and 0 for every other kind. The
// const operator[](index) past the end, or on a node that is no array, and the const
// operator[](key) for a missing key or on a node that is no object give a shared
// empty node. has(key) is true only for an object with a member of exactly that key.
// objects() of a node that is no object is a shared empty list. A null key pointer
// finds nothing.
//
// Building: the non-const operator[](key) turns an empty node into an object (a node
// of any other kind is replaced by an empty object first) and creates the member
// (empty) if missing; a null key pointer stands for the key "". toArray() and
// toObject() turn any node that is not of that kind into an empty one and leave a
// node that is, untouched; append() does the same as toArray() and then adds an empty
// element at the end (capacity grows geometrically, starting at 2); reserve() does
// the same as toArray() and then makes room for `count` elements. The non-const
// operator[](index) with index >= size() (or on a node that is no array) throws
// std::out_of_range: there is no element to write to, and none is made up. An array
// holds at most 2^32 - 1 elements (std::length_error beyond).
//
// Threads: the library keeps no mutable state of its own. Separate trees may be used
// in separate threads; one tree may be read (const) from several threads at once.
//
// Comparison (==) is deep: equal kinds and equal values; an Int never equals a
// Double (Int 1 != Double 1.0); doubles compare numerically (0.0 == -0.0) except
// that two NaN are equal; strings byte by byte; arrays element by element; objects
// member by member in order (same keys in the same order with equal values).
//
// Nodes are values: copying copies the subtree, moving leaves the source empty.
// Destroying, copying and comparing are iterative, so even a very deep tree built
// in code (say 100000 nested arrays) cannot overflow the stack. Destruction needs
// no memory of its own; comparison keeps a small heap stack of the containers it is
// inside (comparison is noexcept: should that allocation fail, std::terminate). A node is 16 bytes: the kind and one
// word (an array is a single allocation holding its element count, capacity and elements).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include <kor/DomExport.h>

namespace kor {

class KORDOM_EXPORT Dom {
public:
    enum class Kind : std::uint8_t { Empty, Bool, Int, Double, String, Array, Object };
    using Member = std::pair<std::string, Dom>;

    Dom() noexcept {}
    Dom(bool value) noexcept : m_kind(Kind::Bool) { m_value.b = value; }
    Dom(int value) noexcept : m_kind(Kind::Int) { m_value.i = value; }
    Dom(long long value) noexcept : m_kind(Kind::Int) { m_value.i = value; }
    Dom(double value) noexcept : m_kind(Kind::Double) { m_value.d = value; }
    Dom(const char* text);  // a null pointer gives the empty string ""
    Dom(std::string text);
    Dom(const Dom& other);
    Dom(Dom&& other) noexcept : m_kind(other.m_kind), m_value(other.m_value) {
        other.m_kind = Kind::Empty;
        other.m_value.i = 0;
    }
    Dom& operator=(const Dom& other);
    Dom& operator=(Dom&& other) noexcept;  // also safe when `other` lies inside this tree
    ~Dom() {
        if (m_kind >= Kind::String)  // only strings, arrays and objects own memory
            release();
    }

    // Kind.
    Kind kind() const noexcept { return m_kind; }
    bool isEmpty() const noexcept { return m_kind == Kind::Empty; }
    bool isNull() const noexcept { return m_kind == Kind::Empty; }
    bool isBool() const noexcept { return m_kind == Kind::Bool; }
    bool isInt() const noexcept { return m_kind == Kind::Int; }
    bool isDouble() const noexcept { return m_kind == Kind::Double; }
    bool isNumber() const noexcept { return m_kind == Kind::Int || m_kind == Kind::Double; }
    bool isString() const noexcept { return m_kind == Kind::String; }
    bool isArray() const noexcept { return m_kind == Kind::Array; }
    bool isObject() const noexcept { return m_kind == Kind::Object; }

    // Values (the reading accessors are inline: documents are read node by node).
    bool asBool(bool fallback) const noexcept { return m_kind == Kind::Bool ? m_value.b : fallback; }
    long long asInt(long long fallback) const noexcept {
        if (m_kind == Kind::Int) return m_value.i;
        // [-2^63, 2^63): both bounds are exact doubles; NaN fails both tests.
        if (m_kind == Kind::Double && m_value.d >= -9223372036854775808.0 && m_value.d < 9223372036854775808.0)
            return static_cast<long long>(m_value.d);
        return fallback;
    }
    double asDouble(double fallback) const noexcept {
        if (m_kind == Kind::Double) return m_value.d;
        if (m_kind == Kind::Int) return static_cast<double>(m_value.i);
        return fallback;
    }
    std::string asString(const std::string& fallback = std::string()) const;
    const std::string& asStringRef() const noexcept;

    // Arrays: number of elements (0 for every other kind) and element access.
    std::size_t size() const noexcept { return (m_kind == Kind::Array && m_value.a) ? m_value.a->size : 0; }
    const Dom& operator[](std::size_t index) const noexcept {
        return index < size() ? m_value.a->elements()[index] : emptyNode();
    }
    Dom& operator[](std::size_t index);  // std::out_of_range when index >= size()
    // Any other integer type, so that a literal 0 is an index and not a null key; a
    // negative index counts as past the end.
    template <typename Integer, typename std::enable_if<std::is_integral<Integer>::value, int>::type = 0>
    const Dom& operator[](Integer index) const noexcept {
        return (*this)[static_cast<std::size_t>(index)];
    }
    template <typename Integer, typename std::enable_if<std::is_integral<Integer>::value, int>::type = 0>
    Dom& operator[](Integer index) {
        return (*this)[static_cast<std::size_t>(index)];
    }
    Dom& toArray();
    Dom& append();
    void reserve(std::size_t count);

    // Objects: membership, lookup by key, the members in order.
    bool has(const char* key) const noexcept;
    bool has(const std::string& key) const noexcept;
    const Dom& operator[](const char* key) const noexcept;
    const Dom& operator[](const std::string& key) const noexcept;
    Dom& operator[](const char* key);
    Dom& operator[](const std::string& key);
    Dom& toObject();
    const std::vector<Member>& objects() const noexcept;

    // Deep comparison. Numbers compare by kind and value; two NaN doubles are equal.
    friend KORDOM_EXPORT bool operator==(const Dom& a, const Dom& b) noexcept;
    friend bool operator!=(const Dom& a, const Dom& b) noexcept { return !(a == b); }

    // Builds an array of exactly `count` elements moved out of [first, first+count),
    // or an object from a list of members (used by the reader to move children in
    // without copying). The moved-from elements are left empty.
    static Dom FromElements(Dom* first, std::size_t count);
    static Dom FromMembers(std::vector<Member>&& members);

    void swap(Dom& other) noexcept;

private:
    // An array's storage: the element count and capacity, then the elements, in one
    // allocation. Only the first `size` elements are constructed.
    struct ArrayBlock {
        std::uint32_t size;
        std::uint32_t capacity;

        Dom* elements() noexcept { return reinterpret_cast<Dom*>(this + 1); }
        const Dom* elements() const noexcept { return reinterpret_cast<const Dom*>(this + 1); }

        // Storage for `capacity` elements (1 ... 2^32 - 1), none constructed, size 0.
        // Throws std::length_error above the limit and std::bad_alloc.
        static ArrayBlock* allocate(std::size_t capacity);
        // Frees the storage; the elements must already be destroyed.
        static void deallocate(ArrayBlock* block) noexcept;
    };
    friend struct DomTree;   // the iterative tree walks: destruction, copy, comparison
    friend struct DomNodes;  // relocation of nodes for the reader's value stack

    static const Dom& emptyNode() noexcept;  // what const lookups give for a missing node
    void release() noexcept;
    void copyFrom(const Dom& other);
    const Dom* findMember(const char* key, std::size_t length) const noexcept;
    Dom& memberFor(const char* key, std::size_t length);
    void growArray(std::size_t minimumCapacity);

    Kind m_kind = Kind::Empty;
    union {
        bool b;
        long long i;
        double d;
        std::string* s;
        ArrayBlock* a;
        std::vector<Member>* o;
    } m_value{};
};

}  // namespace kor
