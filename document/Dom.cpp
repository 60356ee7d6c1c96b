#include <kor/Dom.h>

#include "DomStorage.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>

namespace kor {

namespace {

// What const lookups give for a missing element or member. Zero-initialised before
// any dynamic initialisation, so it is valid even during static start-up.
const Dom g_emptyNode;

constexpr std::size_t kMaxArraySize = std::numeric_limits<std::uint32_t>::max();

}  // namespace

// ---- ArrayBlock ----

Dom::ArrayBlock* Dom::ArrayBlock::allocate(std::size_t capacity) {
    static_assert(sizeof(Dom) == 16, "a node is the kind and one word");
    static_assert(sizeof(ArrayBlock) % alignof(Dom) == 0, "the elements follow the header aligned");
    if (capacity > kMaxArraySize) throw std::length_error("kor::Dom array too long");
    void* memory = ::operator new(sizeof(ArrayBlock) + capacity * sizeof(Dom));
    auto* block = static_cast<ArrayBlock*>(memory);
    block->size = 0;
    block->capacity = static_cast<std::uint32_t>(capacity);
    return block;
}

void Dom::ArrayBlock::deallocate(ArrayBlock* block) noexcept { ::operator delete(block); }

// ---- Construction, assignment, destruction ----

Dom::Dom(const char* text) : Dom(std::string(text ? text : "")) {}

Dom::Dom(std::string text) {
    m_value.s = new std::string(std::move(text));
    m_kind = Kind::String;
}

Dom::Dom(const Dom& other) { copyFrom(other); }

Dom& Dom::operator=(const Dom& other) {
    if (this != &other) {
        Dom copy(other);  // first, since `other` may lie inside this tree
        swap(copy);
    }
    return *this;
}

Dom& Dom::operator=(Dom&& other) noexcept {
    if (this != &other) {
        // Detach the source before releasing this tree, which may contain it.
        Kind kind = other.m_kind;
        auto value = other.m_value;
        other.m_kind = Kind::Empty;
        other.m_value.i = 0;
        release();
        m_kind = kind;
        m_value = value;
    }
    return *this;
}

void Dom::swap(Dom& other) noexcept {
    std::swap(m_kind, other.m_kind);
    std::swap(m_value, other.m_value);
}

void Dom::release() noexcept {
    Kind kind = m_kind;
    auto value = m_value;
    m_kind = Kind::Empty;
    m_value.i = 0;
    switch (kind) {
        case Kind::String: delete value.s; break;
        case Kind::Array:
            if (value.a) DomTree::destroy(kind, value.a);
            break;
        case Kind::Object: DomTree::destroy(kind, value.o); break;
        default: break;
    }
}

void Dom::copyFrom(const Dom& other) { DomTree::copy(*this, other); }

// ---- Values ----

std::string Dom::asString(const std::string& fallback) const { return m_kind == Kind::String ? *m_value.s : fallback; }

const std::string& Dom::asStringRef() const noexcept {
    static const std::string empty;
    return m_kind == Kind::String ? *m_value.s : empty;
}

// ---- Arrays ----

const Dom& Dom::emptyNode() noexcept { return g_emptyNode; }

Dom& Dom::operator[](std::size_t index) {
    if (index < size()) return m_value.a->elements()[index];
    throw std::out_of_range("kor::Dom: element " + std::to_string(index) + " of an array of " + std::to_string(size()));
}

Dom& Dom::toArray() {
    if (m_kind != Kind::Array) {
        release();
        m_kind = Kind::Array;
        m_value.a = nullptr;
    }
    return *this;
}

void Dom::growArray(std::size_t minimumCapacity) {
    ArrayBlock* old = m_value.a;
    const std::size_t count = old ? old->size : 0;
    ArrayBlock* block = ArrayBlock::allocate(minimumCapacity);
    Dom* from = old ? old->elements() : nullptr;
    Dom* to = block->elements();
    for (std::size_t k = 0; k < count; ++k) {
        new (to + k) Dom(std::move(from[k]));
        from[k].~Dom();
    }
    block->size = static_cast<std::uint32_t>(count);
    if (old) ArrayBlock::deallocate(old);
    m_value.a = block;
}

Dom& Dom::append() {
    toArray();
    ArrayBlock* block = m_value.a;
    if (!block || block->size == block->capacity) {
        const std::size_t capacity = block ? block->capacity : 0;
        if (capacity == kMaxArraySize) throw std::length_error("kor::Dom array too long");
        std::size_t grown = capacity < 2 ? 2 : capacity * 2;
        if (grown > kMaxArraySize) grown = kMaxArraySize;
        growArray(grown);
        block = m_value.a;
    }
    Dom* element = new (block->elements() + block->size) Dom();
    ++block->size;
    return *element;
}

void Dom::reserve(std::size_t count) {
    toArray();
    const std::size_t capacity = m_value.a ? m_value.a->capacity : 0;
    if (count > capacity) growArray(count);
}

Dom Dom::FromElements(Dom* first, std::size_t count) {
    Dom result;
    result.m_kind = Kind::Array;
    result.m_value.a = nullptr;
    if (count == 0) return result;
    ArrayBlock* block = ArrayBlock::allocate(count);
    Dom* to = block->elements();
    for (std::size_t k = 0; k < count; ++k) new (to + k) Dom(std::move(first[k]));
    block->size = static_cast<std::uint32_t>(count);
    result.m_value.a = block;
    return result;
}

// ---- Objects ----

const Dom* Dom::findMember(const char* key, std::size_t length) const noexcept {
    if (m_kind != Kind::Object) return nullptr;
    for (const Member& member : *m_value.o) {
        const std::string& name = member.first;
        if (name.size() == length && std::memcmp(name.data(), key, length) == 0) return &member.second;
    }
    return nullptr;
}

bool Dom::has(const char* key) const noexcept { return key && findMember(key, std::strlen(key)) != nullptr; }

bool Dom::has(const std::string& key) const noexcept { return findMember(key.data(), key.size()) != nullptr; }

const Dom& Dom::operator[](const char* key) const noexcept {
    const Dom* found = key ? findMember(key, std::strlen(key)) : nullptr;
    return found ? *found : g_emptyNode;
}

const Dom& Dom::operator[](const std::string& key) const noexcept {
    const Dom* found = findMember(key.data(), key.size());
    return found ? *found : g_emptyNode;
}

Dom& Dom::toObject() {
    if (m_kind != Kind::Object) {
        auto* members = new std::vector<Member>();
        release();
        m_kind = Kind::Object;
        m_value.o = members;
    }
    return *this;
}

Dom& Dom::memberFor(const char* key, std::size_t length) {
    if (m_kind != Kind::Object) {
        std::string name(key, length);  // the key may live in the tree being replaced
        toObject();
        m_value.o->emplace_back(std::move(name), Dom());
        return m_value.o->back().second;
    }
    if (const Dom* found = findMember(key, length)) return const_cast<Dom&>(*found);
    m_value.o->emplace_back(std::string(key, length), Dom());
    return m_value.o->back().second;
}

Dom& Dom::operator[](const char* key) {
    if (!key) key = "";
    return memberFor(key, std::strlen(key));
}

Dom& Dom::operator[](const std::string& key) { return memberFor(key.data(), key.size()); }

const std::vector<Dom::Member>& Dom::objects() const noexcept {
    static const std::vector<Member> none;
    return m_kind == Kind::Object ? *m_value.o : none;
}

Dom Dom::FromMembers(std::vector<Member>&& members) {
    Dom result;
    result.m_value.o = new std::vector<Member>(std::move(members));
    result.m_kind = Kind::Object;
    return result;
}

}  // namespace kor
