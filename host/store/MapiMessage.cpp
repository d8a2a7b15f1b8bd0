// IMessage, IAttach and IMAPITable over the store's model. Read-only: every change fails with
// MAPI_E_NO_ACCESS or MAPI_E_NO_SUPPORT, as for a message opened without MAPI_MODIFY.
#include "host/store/MapiMessage.h"

#include <objidl.h>
#include <shlwapi.h>

#include <algorithm>
#include <cstring>
#include <optional>

#include "host/store/MapiBuffers.h"
#include "host/store/StoreTags.h"
#include "host/text/Utf.h"
#include "pal/com_object.h"

namespace store {

namespace {

bool IsStringType(ULONG type) { return type == PT_UNICODE || type == PT_STRING8; }

// The type a stored value is handed out as, for the requested tag.
ULONG OutputType(const PropValue& v, ULONG requested, ULONG flags)
{
    ULONG stored = PROP_TYPE(v.tag);
    ULONG want = PROP_TYPE(requested);
    if (want == PT_UNSPECIFIED)
        return IsStringType(stored) ? ((flags & MAPI_UNICODE) ? PT_UNICODE : PT_STRING8) : stored;
    return want;
}

HRESULT CopyBytes(const void* data, size_t size, void* root, void** out)
{
    HRESULT hr = MapiAllocateMore(ULONG(size + 2), root, out);
    if (FAILED(hr))
        return hr;
    if (size)
        std::memcpy(*out, data, size);
    return S_OK;
}

HRESULT FillValue(SPropValue& dst, const PropValue* v, ULONG requested, ULONG flags, void* root, bool& error)
{
    if (!v) {
        dst.ulPropTag = CHANGE_PROP_TYPE(requested, PT_ERROR);
        dst.Value.err = MAPI_E_NOT_FOUND;
        error = true;
        return S_OK;
    }
    ULONG type = OutputType(*v, requested, flags);
    dst.ulPropTag = CHANGE_PROP_TYPE((requested == PR_NULL ? v->tag : requested), type);
    switch (type) {
    case PT_LONG: dst.Value.l = v->number; return S_OK;
    case PT_BOOLEAN: dst.Value.b = static_cast<unsigned short>(v->number ? 1 : 0); return S_OK;
    case PT_I8: dst.Value.li.QuadPart = v->wide; return S_OK;
    case PT_SYSTIME:
        dst.Value.ft.dwLowDateTime = DWORD(v->wide & 0xFFFFFFFF);
        dst.Value.ft.dwHighDateTime = DWORD(uint64_t(v->wide) >> 32);
        return S_OK;
    case PT_UNICODE: {
        void* p = nullptr;
        HRESULT hr = CopyBytes(v->text.data(), v->text.size() * sizeof(WCHAR), root, &p);
        dst.Value.lpszW = static_cast<LPWSTR>(p);
        return hr;
    }
    case PT_STRING8: {
        std::string narrow = host::Utf8(v->text);
        void* p = nullptr;
        HRESULT hr = CopyBytes(narrow.data(), narrow.size(), root, &p);
        dst.Value.lpszA = static_cast<LPSTR>(p);
        return hr;
    }
    case PT_BINARY: {
        void* p = nullptr;
        HRESULT hr = CopyBytes(v->bytes.data(), v->bytes.size(), root, &p);
        dst.Value.bin.cb = ULONG(v->bytes.size());
        dst.Value.bin.lpb = static_cast<LPBYTE>(p);
        return hr;
    }
    default:
        dst.ulPropTag = CHANGE_PROP_TYPE(requested, PT_ERROR);
        dst.Value.err = MAPI_E_NOT_FOUND;
        error = true;
        return S_OK;
    }
}

bool IsNamedId(ULONG id) { return id >= NameMap::kFirstId && id <= NameMap::kLastId; }

const PropValue* Lookup(const PropSet& props, const NameMap* names, ULONG tag)
{
    const PropValue* v = nullptr;
    if (!IsNamedId(PROP_ID(tag))) {
        v = props.Find(tag);
    } else if (names) {
        // A named id means what the store's names say it means, and nothing when they give it no name.
        if (std::optional<PropName> name = names->NameOf(PROP_ID(tag)))
            v = props.FindNamed(*name, PROP_TYPE(tag));
    }
    // A string asked as text comes from a stored string of either width; nothing else converts.
    if (v && PROP_TYPE(tag) != PT_UNSPECIFIED && PROP_TYPE(tag) != PROP_TYPE(v->tag) &&
        !(IsStringType(PROP_TYPE(tag)) && IsStringType(PROP_TYPE(v->tag))))
        return nullptr;
    return v;
}

// Every property's tag as stored (the named ones with the store's ids), fixed ids first.
std::vector<ULONG> StoredTags(const PropSet& props, NameMap* names)
{
    std::vector<ULONG> tags;
    for (const auto& [id, v] : props.All())
        if (!IsNamedId(id))
            tags.push_back(v.tag);
    if (names) {
        size_t first = tags.size();
        for (const auto& [name, v] : props.Named())
            if (ULONG id = names->IdOf(name, true))
                tags.push_back(PROP_TAG(PROP_TYPE(v.tag), id));
        std::sort(tags.begin() + first, tags.end());
    }
    return tags;
}

// One name as GetNamesFromIDs hands it out: the entry, its GUID and its string all linked to root.
HRESULT CopyName(const PropName& name, void* root, LPMAPINAMEID* out)
{
    void* p = nullptr;
    HRESULT hr = MapiAllocateMore(sizeof(MAPINAMEID), root, &p);
    if (FAILED(hr))
        return hr;
    auto* n = static_cast<LPMAPINAMEID>(p);
    hr = MapiAllocateMore(sizeof(GUID), root, &p);
    if (FAILED(hr))
        return hr;
    n->lpguid = static_cast<LPGUID>(p);
    *n->lpguid = name.set;
    n->ulKind = name.isString ? MNID_STRING : MNID_ID;
    if (name.isString) {
        hr = CopyBytes(name.text.data(), name.text.size() * sizeof(WCHAR), root, &p);
        if (FAILED(hr))
            return hr;
        n->Kind.lpwstrName = static_cast<LPWSTR>(p);
    } else {
        n->Kind.lID = name.number;
    }
    *out = n;
    return S_OK;
}

HRESULT NewTagArray(const std::vector<ULONG>& tags, LPSPropTagArray* out)
{
    void* p = nullptr;
    HRESULT hr = MapiAllocateBuffer(ULONG(CbNewSPropTagArray(std::max<size_t>(1, tags.size()))), &p);
    if (FAILED(hr))
        return hr;
    auto* array = static_cast<LPSPropTagArray>(p);
    array->cValues = ULONG(tags.size());
    for (size_t i = 0; i < tags.size(); ++i)
        array->aulPropTag[i] = tags[i];
    *out = array;
    return S_OK;
}

} // namespace

HRESULT GetPropsOf(const PropSet& props, NameMap* names, LPSPropTagArray tags, ULONG flags, ULONG* count,
                   LPSPropValue* values)
{
    if (!count || !values)
        return MAPI_E_INVALID_PARAMETER;
    *count = 0;
    *values = nullptr;
    std::vector<ULONG> wanted;
    if (tags)
        wanted.assign(tags->aulPropTag, tags->aulPropTag + tags->cValues);
    else
        wanted = StoredTags(props, names);
    void* root = nullptr;
    HRESULT hr = MapiAllocateBuffer(ULONG(std::max<size_t>(1, wanted.size()) * sizeof(SPropValue)), &root);
    if (FAILED(hr))
        return hr;
    auto* array = static_cast<LPSPropValue>(root);
    bool error = false;
    for (size_t i = 0; i < wanted.size(); ++i) {
        hr = FillValue(array[i], Lookup(props, names, wanted[i]), wanted[i], flags, root, error);
        if (FAILED(hr)) {
            MapiFreeBuffer(root);
            return hr;
        }
    }
    *count = ULONG(wanted.size());
    *values = array;
    return error ? MAPI_W_ERRORS_RETURNED : S_OK;
}

HRESULT GetIDsFromNamesOf(NameMap& names, ULONG count, LPMAPINAMEID* asked, ULONG flags, LPSPropTagArray* tags)
{
    if (!tags || (count && !asked))
        return MAPI_E_INVALID_PARAMETER;
    *tags = nullptr;
    if (flags & ~(MAPI_CREATE | MAPI_UNICODE))
        return MAPI_E_UNKNOWN_FLAGS;
    std::vector<ULONG> ids;
    bool error = false;
    if (count == 0) {
        // No names: the ids of every name the store has.
        for (const auto& [id, name] : names.All())
            ids.push_back(PROP_TAG(PT_UNSPECIFIED, id));
    }
    for (ULONG i = 0; i < count; ++i) {
        const MAPINAMEID* n = asked[i];
        if (!n || !n->lpguid || (n->ulKind != MNID_ID && n->ulKind != MNID_STRING) ||
            (n->ulKind == MNID_STRING && !n->Kind.lpwstrName))
            return MAPI_E_INVALID_PARAMETER;
        ULONG id = 0;
        if (*n->lpguid == PS_MAPI_GUID && n->ulKind == MNID_ID) {
            // MAPI's own properties, named by their ids.
            if (n->Kind.lID > 0 && n->Kind.lID < LONG(NameMap::kFirstId))
                id = ULONG(n->Kind.lID);
        } else {
            PropName name = n->ulKind == MNID_ID
                                ? PropName::Number(*n->lpguid, n->Kind.lID)
                                : PropName::String(*n->lpguid, reinterpret_cast<const WCHAR*>(n->Kind.lpwstrName));
            id = names.IdOf(name, (flags & MAPI_CREATE) != 0);
        }
        ids.push_back(id ? PROP_TAG(PT_UNSPECIFIED, id) : PROP_TAG(PT_ERROR, PROP_ID_NULL));
        error = error || !id;
    }
    HRESULT hr = NewTagArray(ids, tags);
    if (FAILED(hr))
        return hr;
    return error ? MAPI_W_ERRORS_RETURNED : S_OK;
}

HRESULT GetNamesFromIDsOf(const NameMap& names, LPSPropTagArray* tags, LPGUID set, ULONG flags, ULONG* count,
                          LPMAPINAMEID** out)
{
    if (!tags || !count || !out)
        return MAPI_E_INVALID_PARAMETER;
    *count = 0;
    *out = nullptr;
    if (flags & ~(MAPI_NO_STRINGS | MAPI_NO_IDS))
        return MAPI_E_UNKNOWN_FLAGS;
    std::vector<ULONG> ids;
    std::vector<std::optional<PropName>> found;
    bool listAll = *tags == nullptr;
    if (listAll) {
        // No tags: every name of the store (of the set asked for), in id order.
        for (auto& [id, name] : names.All()) {
            if ((set && name.set != *set) || (name.isString && (flags & MAPI_NO_STRINGS)) ||
                (!name.isString && (flags & MAPI_NO_IDS)))
                continue;
            ids.push_back(PROP_TAG(PT_UNSPECIFIED, id));
            found.push_back(std::move(name));
        }
    } else {
        for (ULONG i = 0; i < (*tags)->cValues; ++i) {
            ULONG id = PROP_ID((*tags)->aulPropTag[i]);
            if (IsNamedId(id))
                found.push_back(names.NameOf(id));
            else if (id != PROP_ID_NULL && id < NameMap::kFirstId)
                found.push_back(PropName::Number(PS_MAPI_GUID, LONG(id)));
            else
                found.push_back(std::nullopt);
        }
    }
    void* root = nullptr;
    HRESULT hr = MapiAllocateBuffer(ULONG(std::max<size_t>(1, found.size()) * sizeof(LPMAPINAMEID)), &root);
    if (FAILED(hr))
        return hr;
    auto* array = static_cast<LPMAPINAMEID*>(root);
    bool error = false;
    for (size_t i = 0; i < found.size(); ++i) {
        array[i] = nullptr;
        if (!found[i])
            error = true;
        else if (FAILED(hr = CopyName(*found[i], root, &array[i]))) {
            MapiFreeBuffer(root);
            return hr;
        }
    }
    if (listAll && FAILED(hr = NewTagArray(ids, tags))) {
        MapiFreeBuffer(root);
        return hr;
    }
    *count = ULONG(found.size());
    *out = array;
    return error ? MAPI_W_ERRORS_RETURNED : S_OK;
}

namespace {

HRESULT StreamOver(const void* data, size_t size, LPUNKNOWN* out)
{
    if (size > 0xFFFFFFFFu)
        return MAPI_E_NOT_ENOUGH_MEMORY;
    IStream* stream = SHCreateMemStream(static_cast<const BYTE*>(data), UINT(size));
    if (!stream)
        return MAPI_E_NOT_ENOUGH_MEMORY;
    *out = stream;
    return S_OK;
}

// The IMAPIProp part shared by messages and attachments. Named properties have the ids of the store's
// names, which every object registers its own names in when it is opened, as a store did when it kept them.
template <class Interface>
class CMapiProp : public pal::ComObject<pal::ComEntry<Interface, IMAPIProp>> {
public:
    explicit CMapiProp(std::shared_ptr<NameMap> names) : m_names(std::move(names)) {}

    HRESULT GetLastError(HRESULT, ULONG, LPMAPIERROR* error) override
    {
        if (error)
            *error = nullptr;
        return S_OK;
    }
    HRESULT SaveChanges(ULONG) override { return MAPI_E_NO_ACCESS; }
    HRESULT GetProps(LPSPropTagArray tags, ULONG flags, ULONG* count, LPSPropValue* values) override
    {
        return GetPropsOf(Props(), m_names.get(), tags, flags, count, values);
    }
    HRESULT GetPropList(ULONG flags, LPSPropTagArray* list) override
    {
        if (!list)
            return MAPI_E_INVALID_PARAMETER;
        std::vector<ULONG> tags = StoredTags(Props(), m_names.get());
        for (ULONG& tag : tags)
            if (IsStringType(PROP_TYPE(tag)))
                tag = CHANGE_PROP_TYPE(tag, (flags & MAPI_UNICODE) ? PT_UNICODE : PT_STRING8);
        return NewTagArray(tags, list);
    }
    HRESULT OpenProperty(ULONG tag, LPCIID iid, ULONG, ULONG flags, LPUNKNOWN* out) override
    {
        if (!out || !iid)
            return MAPI_E_INVALID_PARAMETER;
        *out = nullptr;
        if (flags & (MAPI_MODIFY | MAPI_CREATE))
            return MAPI_E_NO_ACCESS;
        HRESULT hr = OpenObject(tag, *iid, out);
        if (hr != MAPI_E_NOT_FOUND || *out)
            return hr;
        const PropValue* v = Props().Find(CHANGE_PROP_TYPE(tag, PT_UNSPECIFIED));
        if (!v)
            return MAPI_E_NOT_FOUND;
        if (*iid != IID_IStream)
            return MAPI_E_INTERFACE_NOT_SUPPORTED;
        if (PROP_TYPE(v->tag) == PT_BINARY)
            return StreamOver(v->bytes.data(), v->bytes.size(), out);
        if (IsStringType(PROP_TYPE(v->tag)))
            return StreamOver(v->text.data(), v->text.size() * sizeof(WCHAR), out);
        return MAPI_E_NO_SUPPORT;
    }
    HRESULT SetProps(ULONG, LPSPropValue, LPSPropProblemArray*) override { return MAPI_E_NO_ACCESS; }
    HRESULT DeleteProps(LPSPropTagArray, LPSPropProblemArray*) override { return MAPI_E_NO_ACCESS; }
    HRESULT CopyTo(ULONG, LPCIID, LPSPropTagArray, MapiUlongPtr, LPMAPIPROGRESS, LPCIID, LPVOID, ULONG,
                   LPSPropProblemArray*) override
    {
        return MAPI_E_NO_SUPPORT;
    }
    HRESULT CopyProps(LPSPropTagArray, MapiUlongPtr, LPMAPIPROGRESS, LPCIID, LPVOID, ULONG, LPSPropProblemArray*) override
    {
        return MAPI_E_NO_SUPPORT;
    }
    HRESULT GetNamesFromIDs(LPSPropTagArray* tags, LPGUID set, ULONG flags, ULONG* count, LPMAPINAMEID** names) override
    {
        return GetNamesFromIDsOf(*m_names, tags, set, flags, count, names);
    }
    HRESULT GetIDsFromNames(ULONG count, LPMAPINAMEID* names, ULONG flags, LPSPropTagArray* tags) override
    {
        return GetIDsFromNamesOf(*m_names, count, names, flags, tags);
    }

protected:
    void RegisterNames() const
    {
        for (const auto& [name, v] : Props().Named())
            m_names->IdOf(name, true);
    }

    std::shared_ptr<NameMap> m_names;

    virtual const PropSet& Props() const = 0;
    // An object-valued property; MAPI_E_NOT_FOUND with no object when the tag is not one of them.
    virtual HRESULT OpenObject(ULONG, REFIID, LPUNKNOWN*) { return MAPI_E_NOT_FOUND; }
};

class CMapiTable final : public pal::ComObject<IMAPITable> {
public:
    CMapiTable(std::vector<PropSet> rows, std::vector<ULONG> columns, ULONG flags, std::shared_ptr<NameMap> names)
        : m_rows(std::move(rows)), m_columns(std::move(columns)), m_flags(flags), m_names(std::move(names))
    {
    }

    HRESULT GetLastError(HRESULT, ULONG, LPMAPIERROR* error) override
    {
        if (error)
            *error = nullptr;
        return S_OK;
    }
    HRESULT Advise(ULONG, LPMAPIADVISESINK, MapiUlongPtr*) override { return MAPI_E_NO_SUPPORT; }
    HRESULT Unadvise(MapiUlongPtr) override { return MAPI_E_NO_SUPPORT; }
    HRESULT GetStatus(ULONG* status, ULONG* type) override
    {
        if (!status || !type)
            return MAPI_E_INVALID_PARAMETER;
        *status = 0; // TBLSTAT_COMPLETE
        *type = 1;   // TBLTYPE_SNAPSHOT
        return S_OK;
    }
    HRESULT SetColumns(LPSPropTagArray tags, ULONG) override
    {
        if (!tags)
            return MAPI_E_INVALID_PARAMETER;
        m_columns.assign(tags->aulPropTag, tags->aulPropTag + tags->cValues);
        return S_OK;
    }
    HRESULT QueryColumns(ULONG, LPSPropTagArray* tags) override
    {
        if (!tags)
            return MAPI_E_INVALID_PARAMETER;
        void* p = nullptr;
        HRESULT hr = MapiAllocateBuffer(ULONG(CbNewSPropTagArray(m_columns.size() + 1)), &p);
        if (FAILED(hr))
            return hr;
        auto* array = static_cast<LPSPropTagArray>(p);
        array->cValues = ULONG(m_columns.size());
        for (size_t i = 0; i < m_columns.size(); ++i)
            array->aulPropTag[i] = m_columns[i];
        *tags = array;
        return S_OK;
    }
    HRESULT GetRowCount(ULONG, ULONG* count) override
    {
        if (!count)
            return MAPI_E_INVALID_PARAMETER;
        *count = ULONG(m_rows.size());
        return S_OK;
    }
    HRESULT SeekRow(BOOKMARK origin, LONG rows, LONG* sought) override
    {
        long long start = origin == BOOKMARK_BEGINNING ? 0 : origin == BOOKMARK_END ? (long long) m_rows.size()
                        : origin == BOOKMARK_CURRENT ? (long long) m_position : -1;
        if (start < 0)
            return MAPI_E_INVALID_PARAMETER;
        long long target = std::max<long long>(0, std::min<long long>((long long) m_rows.size(), start + rows));
        if (sought)
            *sought = LONG(target - start);
        m_position = size_t(target);
        return S_OK;
    }
    HRESULT SeekRowApprox(ULONG numerator, ULONG denominator) override
    {
        if (denominator == 0)
            return MAPI_E_INVALID_PARAMETER;
        m_position = std::min(m_rows.size(), size_t((unsigned long long) m_rows.size() * numerator / denominator));
        return S_OK;
    }
    HRESULT QueryPosition(ULONG* row, ULONG* numerator, ULONG* denominator) override
    {
        if (!row || !numerator || !denominator)
            return MAPI_E_INVALID_PARAMETER;
        *row = ULONG(m_position);
        *numerator = ULONG(m_position);
        *denominator = ULONG(m_rows.size());
        return S_OK;
    }
    HRESULT FindRow(LPSRestriction, BOOKMARK, ULONG) override { return MAPI_E_NO_SUPPORT; }
    HRESULT Restrict(LPSRestriction, ULONG) override { return MAPI_E_NO_SUPPORT; }
    HRESULT CreateBookmark(BOOKMARK*) override { return MAPI_E_NO_SUPPORT; }
    HRESULT FreeBookmark(BOOKMARK) override { return MAPI_E_NO_SUPPORT; }
    HRESULT SortTable(LPSSortOrderSet, ULONG) override { return MAPI_E_NO_SUPPORT; }
    HRESULT QuerySortOrder(LPSSortOrderSet*) override { return MAPI_E_NO_SUPPORT; }
    HRESULT QueryRows(LONG count, ULONG, LPSRowSet* rows) override
    {
        if (!rows || count == 0)
            return MAPI_E_INVALID_PARAMETER;
        *rows = nullptr;
        size_t first = m_position, n;
        if (count > 0) {
            n = std::min(m_rows.size() - m_position, size_t(count));
        } else {
            n = std::min(m_position, size_t(-(long long) count));
            first = m_position - n;
        }
        void* p = nullptr;
        HRESULT hr = MapiAllocateBuffer(ULONG(CbNewSRowSet(std::max<size_t>(n, 1))), &p);
        if (FAILED(hr))
            return hr;
        auto* set = static_cast<LPSRowSet>(p);
        set->cRows = 0;
        SPropTagArray* columns = nullptr;
        std::vector<ULONG> columnBuffer(m_columns.size() + 1);
        columns = reinterpret_cast<SPropTagArray*>(columnBuffer.data());
        columns->cValues = ULONG(m_columns.size());
        for (size_t i = 0; i < m_columns.size(); ++i)
            columns->aulPropTag[i] = m_columns[i];
        for (size_t r = 0; r < n; ++r) {
            SRow& row = set->aRow[r];
            hr = GetPropsOf(m_rows[first + r], m_names.get(), columns, m_flags, &row.cValues, &row.lpProps);
            if (FAILED(hr)) {
                for (size_t k = 0; k < r; ++k)
                    MapiFreeBuffer(set->aRow[k].lpProps);
                MapiFreeBuffer(set);
                return hr;
            }
            set->cRows = ULONG(r + 1);
        }
        m_position = count > 0 ? first + n : first;
        *rows = set;
        return S_OK;
    }
    HRESULT Abort() override { return S_OK; }
    HRESULT ExpandRow(ULONG, LPBYTE, ULONG, ULONG, LPSRowSet*, ULONG*) override { return MAPI_E_NO_SUPPORT; }
    HRESULT CollapseRow(ULONG, LPBYTE, ULONG, ULONG*) override { return MAPI_E_NO_SUPPORT; }
    HRESULT WaitForCompletion(ULONG, ULONG, ULONG* status) override
    {
        if (status)
            *status = 0;
        return S_OK;
    }
    HRESULT GetCollapseState(ULONG, ULONG, LPBYTE, ULONG*, LPBYTE*) override { return MAPI_E_NO_SUPPORT; }
    HRESULT SetCollapseState(ULONG, ULONG, LPBYTE, BOOKMARK*) override { return MAPI_E_NO_SUPPORT; }

private:
    std::vector<PropSet> m_rows;
    std::vector<ULONG> m_columns;
    ULONG m_flags;
    std::shared_ptr<NameMap> m_names;
    size_t m_position = 0;
};

class CMapiAttach final : public CMapiProp<IAttach> {
public:
    CMapiAttach(std::shared_ptr<Message> owner, size_t index, std::shared_ptr<NameMap> names)
        : CMapiProp(std::move(names)), m_owner(std::move(owner)), m_index(index)
    {
        RegisterNames();
    }

protected:
    const PropSet& Props() const override { return Attachment().props; }
    HRESULT OpenObject(ULONG tag, REFIID iid, LPUNKNOWN* out) override
    {
        if (PROP_ID(tag) != PROP_ID(PR_ATTACH_DATA_OBJ))
            return MAPI_E_NOT_FOUND;
        const store::Attachment& a = Attachment();
        if (a.embedded) {
            if (iid != __uuidof(IMessage) && iid != __uuidof(IMAPIProp) && iid != __uuidof(IUnknown))
                return MAPI_E_INTERFACE_NOT_SUPPORTED;
            *out = NewMapiMessage(a.embedded, m_names);
            return S_OK;
        }
        if (!a.data)
            return MAPI_E_NOT_FOUND;
        if (iid != IID_IStream)
            return MAPI_E_INTERFACE_NOT_SUPPORTED;
        return StreamOver(a.data->data(), a.data->size(), out);
    }

private:
    const store::Attachment& Attachment() const { return m_owner->attachments[m_index]; }

    std::shared_ptr<Message> m_owner;
    size_t m_index;
};

class CMapiMessage final : public CMapiProp<IMessage> {
public:
    CMapiMessage(std::shared_ptr<Message> message, std::shared_ptr<NameMap> names)
        : CMapiProp(std::move(names)), m_message(std::move(message))
    {
        RegisterNames();
    }

    HRESULT GetAttachmentTable(ULONG flags, LPMAPITABLE* table) override
    {
        if (!table)
            return MAPI_E_INVALID_PARAMETER;
        std::vector<PropSet> rows;
        rows.reserve(m_message->attachments.size());
        for (const auto& a : m_message->attachments)
            rows.push_back(a.props);
        ULONG text = (flags & MAPI_UNICODE) ? PT_UNICODE : PT_STRING8;
        std::vector<ULONG> columns = {PR_ATTACH_NUM, PR_ATTACH_METHOD, CHANGE_PROP_TYPE(PR_ATTACH_LONG_FILENAME_W, text),
                                      CHANGE_PROP_TYPE(PR_DISPLAY_NAME_W, text), PR_ATTACH_SIZE,
                                      CHANGE_PROP_TYPE(PR_ATTACH_MIME_TAG_W, text),
                                      CHANGE_PROP_TYPE(PR_ATTACH_CONTENT_ID_W, text), PR_ATTACHMENT_HIDDEN,
                                      PR_RENDERING_POSITION};
        *table = new CMapiTable(std::move(rows), std::move(columns), flags, m_names);
        return S_OK;
    }
    HRESULT OpenAttach(ULONG number, LPCIID, ULONG flags, LPATTACH* attach) override
    {
        if (!attach)
            return MAPI_E_INVALID_PARAMETER;
        *attach = nullptr;
        if (flags & MAPI_MODIFY)
            return MAPI_E_NO_ACCESS;
        for (size_t i = 0; i < m_message->attachments.size(); ++i) {
            const PropValue* num = m_message->attachments[i].props.Find(PR_ATTACH_NUM);
            if (num && ULONG(num->number) == number) {
                *attach = new CMapiAttach(m_message, i, m_names);
                return S_OK;
            }
        }
        return MAPI_E_NOT_FOUND;
    }
    HRESULT CreateAttach(LPCIID, ULONG, ULONG*, LPATTACH*) override { return MAPI_E_NO_ACCESS; }
    HRESULT DeleteAttach(ULONG, MapiUlongPtr, LPMAPIPROGRESS, ULONG) override { return MAPI_E_NO_ACCESS; }
    HRESULT GetRecipientTable(ULONG, LPMAPITABLE*) override { return MAPI_E_NO_SUPPORT; }
    HRESULT ModifyRecipients(ULONG, LPADRLIST) override { return MAPI_E_NO_ACCESS; }
    HRESULT SubmitMessage(ULONG) override { return MAPI_E_NO_ACCESS; }
    HRESULT SetReadFlag(ULONG) override { return S_OK; }

protected:
    const PropSet& Props() const override { return m_message->props; }

private:
    std::shared_ptr<Message> m_message;
};

} // namespace

IMessage* NewMapiMessage(std::shared_ptr<Message> message)
{
    std::shared_ptr<NameMap> names = message->storeNames ? message->storeNames : DefaultStoreNames();
    return NewMapiMessage(std::move(message), std::move(names));
}

IMessage* NewMapiMessage(std::shared_ptr<Message> message, std::shared_ptr<NameMap> names)
{
    return new CMapiMessage(std::move(message), std::move(names));
}

int NativeBodyFormatOf(IMAPIProp* prop)
{
    SizedSPropTagArray(1, tags) = {1, {PR_NATIVE_BODY_INFO}};
    ULONG count = 0;
    LPSPropValue values = nullptr;
    HRESULT hr = prop->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), 0, &count, &values);
    LONG native = hr == S_OK && count == 1 && values[0].ulPropTag == PR_NATIVE_BODY_INFO ? values[0].Value.l
                                                                                          : NATIVE_BODY_UNDEFINED;
    MapiFreeBuffer(values);
    return native == NATIVE_BODY_PLAIN ? 1 : native == NATIVE_BODY_HTML ? 2 : native == NATIVE_BODY_RTF ? 3 : 0;
}

WString ContentTypeOf(IMAPIProp* prop)
{
    GUID set = PS_INTERNET_HEADERS_GUID;
    WCHAR name[] = W("Content-Type");
    MAPINAMEID contentType = {&set, MNID_STRING, {0}};
    contentType.Kind.lpwstrName = name;
    LPMAPINAMEID names[] = {&contentType};
    LPSPropTagArray ids = nullptr;
    HRESULT hr = prop->GetIDsFromNames(1, names, 0, &ids);
    ULONG tag = hr == S_OK && ids && ids->cValues == 1 ? CHANGE_PROP_TYPE(ids->aulPropTag[0], PT_UNICODE) : PR_NULL;
    MapiFreeBuffer(ids);
    if (tag == PR_NULL)
        return {};
    SizedSPropTagArray(1, tags) = {1, {tag}};
    ULONG count = 0;
    LPSPropValue values = nullptr;
    hr = prop->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), MAPI_UNICODE, &count, &values);
    WString text;
    if (hr == S_OK && count == 1 && values[0].ulPropTag == tag && values[0].Value.lpszW)
        text = reinterpret_cast<const WCHAR*>(values[0].Value.lpszW);
    MapiFreeBuffer(values);
    return text;
}

} // namespace store
