// IUnknown for the layer's plain COM objects: a counted reference, deleted on the last release, and a
// QueryInterface that answers the interfaces the object derives from.
//
//     class CStream final : public pal::ComObject<pal::ComEntry<IStream, ISequentialStream>> { ... };
//
// Each entry names an interface the object implements (it becomes a base) and the further ids answered with
// that same interface, such as the ids of the interfaces it extends. IUnknown is answered with the first.
// For the host's and the tests' objects as well as the layer's own.
// An object whose interfaces depend on its state overrides QueryInterface and keeps the counting.
#pragma once

#pragma GCC visibility push(default)

#include <atomic>

#include <windows.h>

namespace pal {

template <class Interface, class... AlsoAnswers>
struct ComEntry {
    using Type = Interface;
    template <class Self> static void* Find(Self* self, REFIID riid)
    {
        if (riid == __uuidof(Interface) || ((riid == __uuidof(AlsoAnswers)) || ...))
            return static_cast<Interface*>(self);
        return nullptr;
    }
};

// An interface implemented through a base that already derives from it (a table of stubs, say): the base
// becomes the object's base, and it answers the interface's id and the further ids.
template <class Base, class Interface, class... AlsoAnswers>
struct ComEntryThrough {
    using Type = Base;
    template <class Self> static void* Find(Self* self, REFIID riid)
    {
        if (riid == __uuidof(Interface) || ((riid == __uuidof(AlsoAnswers)) || ...))
            return static_cast<Interface*>(static_cast<Base*>(self));
        return nullptr;
    }
};

namespace detail {
template <class Entry> struct ComEntryOf : ComEntry<Entry> {};
template <class Interface, class... AlsoAnswers>
struct ComEntryOf<ComEntry<Interface, AlsoAnswers...>> : ComEntry<Interface, AlsoAnswers...> {};
template <class Base, class Interface, class... AlsoAnswers>
struct ComEntryOf<ComEntryThrough<Base, Interface, AlsoAnswers...>> : ComEntryThrough<Base, Interface, AlsoAnswers...> {};
template <class First, class...> struct FirstOf { using Type = First; };
} // namespace detail

// An entry is an interface, or a ComEntry with the further ids it answers.
template <class... Entries>
class ComObject : public detail::ComEntryOf<Entries>::Type... {
public:
    HRESULT QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        using Primary = typename detail::ComEntryOf<typename detail::FirstOf<Entries...>::Type>::Type;
        void* found = nullptr;
        static_cast<void>((((found = detail::ComEntryOf<Entries>::Find(this, riid)) != nullptr) || ...));
        if (!found && riid == __uuidof(IUnknown))
            found = static_cast<Primary*>(this);
        *ppv = found;
        if (!found)
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return ++m_refs; }
    ULONG Release() override
    {
        ULONG left = --m_refs;
        if (left == 0)
            delete this;
        return left;
    }

protected:
    ComObject() = default;
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;
    virtual ~ComObject() = default;

private:
    std::atomic<ULONG> m_refs{1};
};

} // namespace pal

#pragma GCC visibility pop
