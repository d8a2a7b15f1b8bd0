// Streams over global memory (CreateStreamOnHGlobal) and the shell's memory stream (SHCreateMemStream), which
// is such a stream over its own copy of the bytes. Clones share the block, its size and its owner.
#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "common/stream_base.h"
#include "objidl.h"
#include "shlwapi.h"
#include "kernel32/memory.h"
#include "windows.h"

namespace {

// The block and the stream size, shared by a stream and its clones.
struct SharedBlock {
    HGLOBAL h = nullptr;
    bool deleteOnRelease = false;
    ULONGLONG size = 0;
    ~SharedBlock()
    {
        if (deleteOnRelease)
            GlobalFree(h);
    }
};

class CHGlobalStream final : public pal::StreamBase {
public:
    explicit CHGlobalStream(std::shared_ptr<SharedBlock> block) : m_block(std::move(block)) {}

    HRESULT Read(void* pv, ULONG cb, ULONG* pcbRead) override
    {
        if (!pv && cb)
            return STG_E_INVALIDPOINTER;
        ULONG n = 0;
        if (m_pos < m_block->size)
            n = ULONG(std::min<ULONGLONG>(cb, m_block->size - m_pos));
        if (n) {
            auto* data = static_cast<const BYTE*>(GlobalLock(m_block->h));
            if (!data)
                return E_OUTOFMEMORY;
            std::memcpy(pv, data + m_pos, n);
            GlobalUnlock(m_block->h);
            m_pos += n;
        }
        if (pcbRead)
            *pcbRead = n;
        return S_OK;
    }

    HRESULT Write(const void* pv, ULONG cb, ULONG* pcbWritten) override
    {
        if (pcbWritten)
            *pcbWritten = 0;
        if (!pv)
            return STG_E_INVALIDPOINTER;
        if (!cb)
            return S_OK;
        ULONGLONG end = m_pos + cb;
        if (end > m_block->size) {
            ULARGE_INTEGER size;
            size.QuadPart = end;
            HRESULT hr = SetSize(size);
            if (FAILED(hr))
                return hr;
        }
        auto* data = static_cast<BYTE*>(GlobalLock(m_block->h));
        if (!data)
            return E_OUTOFMEMORY;
        std::memcpy(data + m_pos, pv, cb);
        GlobalUnlock(m_block->h);
        m_pos = end;
        if (pcbWritten)
            *pcbWritten = cb;
        return S_OK;
    }

    HRESULT SetSize(ULARGE_INTEGER libNewSize) override
    {
        ULONGLONG size = libNewSize.QuadPart;
        if (size > SIZE_MAX)
            return STG_E_MEDIUMFULL;
        if (size == m_block->size)
            return S_OK;
        HGLOBAL moved = GlobalReAlloc(m_block->h, SIZE_T(size), GMEM_MOVEABLE);
        if (!moved)
            return E_OUTOFMEMORY;
        m_block->h = moved;
        m_block->size = size;
        return S_OK;
    }

    HRESULT Commit(DWORD) override { return S_OK; }
    HRESULT Revert() override { return S_OK; }
    HRESULT LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return STG_E_INVALIDFUNCTION; }
    HRESULT UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return STG_E_INVALIDFUNCTION; }

    HRESULT Stat(STATSTG* pstatstg, DWORD) override
    {
        if (!pstatstg)
            return STG_E_INVALIDPOINTER;
        std::memset(pstatstg, 0, sizeof(*pstatstg));
        pstatstg->type = STGTY_STREAM;
        pstatstg->cbSize.QuadPart = m_block->size;
        pstatstg->grfMode = STGM_READWRITE;
        return S_OK;
    }

    HRESULT Clone(IStream** ppstm) override
    {
        if (!ppstm)
            return STG_E_INVALIDPOINTER;
        auto* clone = new (std::nothrow) CHGlobalStream(m_block);
        if (!clone) {
            *ppstm = nullptr;
            return E_OUTOFMEMORY;
        }
        clone->m_pos = m_pos;
        *ppstm = clone;
        return S_OK;
    }

    HGLOBAL Handle() const { return m_block->h; }

protected:
    HRESULT End(ULONGLONG& end) override
    {
        end = m_block->size;
        return S_OK;
    }

private:
    ~CHGlobalStream() = default;

    std::shared_ptr<SharedBlock> m_block;
};

} // namespace

STDAPI CreateStreamOnHGlobal(HGLOBAL hGlobal, BOOL fDeleteOnRelease, LPSTREAM* ppstm)
{
    if (!ppstm)
        return E_INVALIDARG;
    *ppstm = nullptr;
    auto block = std::make_shared<SharedBlock>();
    if (hGlobal) {
        block->h = hGlobal;
        block->size = GlobalSize(hGlobal);
    } else {
        block->h = GlobalAlloc(GMEM_MOVEABLE, 0);
        if (!block->h)
            return E_OUTOFMEMORY;
    }
    block->deleteOnRelease = fDeleteOnRelease != FALSE;
    auto* stream = new (std::nothrow) CHGlobalStream(block);
    if (!stream) {
        block->deleteOnRelease = hGlobal == nullptr;
        return E_OUTOFMEMORY;
    }
    *ppstm = stream;
    return S_OK;
}

STDAPI GetHGlobalFromStream(LPSTREAM pstm, HGLOBAL* phglobal)
{
    if (!pstm || !phglobal)
        return E_INVALIDARG;
    // Only streams made here carry a block; others answer as Windows does for foreign streams.
    auto* own = dynamic_cast<CHGlobalStream*>(pstm);
    if (!own) {
        *phglobal = nullptr;
        return E_INVALIDARG;
    }
    *phglobal = own->Handle();
    return S_OK;
}

extern "C" IStream* SHCreateMemStream(const BYTE* pInit, UINT cbInit)
{
    SIZE_T size = pInit ? cbInit : 0;
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, size);
    if (!h)
        return nullptr;
    if (size) {
        void* data = GlobalLock(h);
        std::memcpy(data, pInit, size);
        GlobalUnlock(h);
    }
    IStream* stream = nullptr;
    if (FAILED(CreateStreamOnHGlobal(h, TRUE, &stream))) {
        GlobalFree(h);
        return nullptr;
    }
    return stream;
}
