// kor::Dom: one node of a JSON document tree.
//
// A node is empty (JSON null, and the state of a default-constructed node), a
// boolean, an integer (64-bit), a double, a string, an array or an object. Objects
// keep their members in document order as (key, value) pairs; a key may occur more
// than once, and lookups by key find the first member with that key.
//
// Conversions never fail; each `as...` takes the value to return when the node does
// not hold a fitting value:
//   asBool    booleans only.
//   asInt     integers; doubles truncated toward zero when finite and inside the
//             range of long long.
//   asDouble  any number (integers converted to the nearest double).
//   asString  strings only.
// Reading a missing key or an index past the end gives a shared empty node.
//
// Building: the non-const operator[](key) turns an empty node into an object (a node
// of any other kind is replaced by an empty object first) and creates the member if
// missing; toArray() turns any node that is not an array into an empty array;
// append() does the same and then adds an empty element at the end.
//
// Nodes are values: copying copies the subtree, moving leaves the source empty.
// Destroying a tree is iterative, so even a very deep tree built in code cannot
// overflow the stack.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include <kor/DomExport.h>

namespace kor {

class KORDOM_EXPORT Dom {
public:
    enum class Kind : std::uint8_t { Empty, Bool, Int, Double, String, Array, Object };
    using Member = std::pair<std::string, Dom>;

    Dom() noexcept;
    Dom(bool value) noexcept;
    Dom(int value) noexcept;
    Dom(long long value) noexcept;
    Dom(double value) noexcept;
    Dom(const char* text);
    Dom(std::string text);
    Dom(const Dom& other);
    Dom(Dom&& other) noexcept;
    Dom& operator=(const Dom& other);
    Dom& operator=(Dom&& other) noexcept;
    ~Dom();

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

    // Values.
    bool asBool(bool fallback) const noexcept;
    long long asInt(long long fallback) const noexcept;
    double asDouble(double fallback) const noexcept;
    std::string asString(const std::string& fallback = std::string()) const;

    // Arrays: number of elements (0 for every other kind) and element access.
    std::size_t size() const noexcept;
    const Dom& operator[](std::size_t index) const noexcept;
    Dom& operator[](std::size_t index);  // index < size() required; otherwise a shared scratch node
    Dom& toArray();
    Dom& append();
    void reserve(std::size_t count);

    // Objects: membership, lookup by key, the members in order.
    bool has(const char* key) const noexcept;
    bool has(const std::string& key) const noexcept { return has(key.c_str()); }
    const Dom& operator[](const char* key) const noexcept;
    const Dom& operator[](const std::string& key) const noexcept { return (*this)[key.c_str()]; }
    Dom& operator[](const char* key);
    Dom& operator[](const std::string& key);
    Dom& toObject();
    const std::vector<Member>& objects() const noexcept;

    // Deep comparison. Numbers compare by kind and value; two NaN doubles are equal.
    friend KORDOM_EXPORT bool operator==(const Dom& a, const Dom& b) noexcept;
    friend bool operator!=(const Dom& a, const Dom& b) noexcept { return !(a == b); }

    // Builds an array of exactly `count` elements moved out of [first, first+count),
    // or an object from a list of members (used by the reader to move children in
    // without copying).
    static Dom FromElements(Dom* first, std::size_t count);
    static Dom FromMembers(std::vector<Member>&& members);

    void swap(Dom& other) noexcept;

private:
    void release() noexcept;
    void copyFrom(const Dom& other);

    struct ArrayBlock;  // element count, capacity and the elements, in one allocation

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
