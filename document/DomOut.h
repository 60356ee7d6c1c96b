// Internal: fills a kor::Dom through the calls of JsonEmitter (JsonEmitter.h), so
// that one layout function of a document either builds the tree or writes the text.
// A value goes where the next one belongs: appended to the open array (append), the
// member of the last key in the open object (the non-const operator[]), or, before
// anything is open, the node given. Opening an array makes its node one with
// toArray, an object with toObject (both keep a node that is one already).
#pragma once

#include <string>
#include <vector>

#include <kor/Dom.h>

namespace kor {
namespace detail {

class DomOut {
public:
    // With `open`, `node` is an array already open: values are appended to it.
    explicit DomOut(Dom& node, bool open = false) : m_root(&node) {
        if (open) m_open.push_back(Frame{&node, false});
    }

    void Null() { Next() = Dom(); }
    void Bool(bool value) { Next() = Dom(value); }
    void Int(long long value) { Next() = Dom(value); }
    void Double(double value) { Next() = Dom(value); }
    void String(const std::string& text) { Next() = Dom(text); }
    void BeginArray(bool) { m_open.push_back(Frame{&Next().toArray(), false}); }
    void BeginObject() { m_open.push_back(Frame{&Next().toObject(), true}); }
    void Key(const std::string& key) { m_key = key; }
    void End() { m_open.pop_back(); }

private:
    struct Frame {
        Dom* node;
        bool object;
    };

    Dom& Next() {
        if (m_open.empty()) return *m_root;
        const Frame& frame = m_open.back();
        return frame.object ? (*frame.node)[m_key] : frame.node->append();
    }

    Dom* m_root;
    std::vector<Frame> m_open;
    std::string m_key;
};

}  // namespace detail
}  // namespace kor
