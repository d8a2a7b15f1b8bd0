// The body stream of the MSXML request objects. Like Windows' stream over a received answer it reads and
// seeks; every call that would change the stream is refused as access denied.
#include "msxml/xmlhttp_stream.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "common/ComObject.h"
#include "windows.h"

namespace pal::http {

namespace {

class CBodyStream final : public pal::ComObject<pal::ComEntry<IStream, ISequentialStream>> {
public:
    CBodyStream(std::shared_ptr<const std::string> body, size_t size, ULONGLONG pos = 0)
        : m_body(std::move(body)), m_size(std::min(size, m_body ? m_body->size() : 0)), m_pos(pos)
    {
    }

    HRESULT Read(void* pv, ULONG cb, ULONG* pcbRead) override
    {
        if (pcbRead)
            *pcbRead = 0;
        if (!pv && cb)
            return STG_E_INVALIDPOINTER;
        ULONG n = m_pos < m_size ? ULONG(std::min<ULONGLONG>(cb, m_size - m_pos)) : 0;
        if (n) {
            std::memcpy(pv, m_body->data() + m_pos, n);
            m_pos += n;
        }
        if (pcbRead)
            *pcbRead = n;
        return S_OK;
    }

    HRESULT Write(const void*, ULONG, ULONG* pcbWritten) override
    {
        if (pcbWritten)
            *pcbWritten = 0;
        return STG_E_ACCESSDENIED;
    }

    HRESULT Seek(LARGE_INTEGER dlibMove, DWORD dwOrigin, ULARGE_INTEGER* plibNewPosition) override
    {
        LONGLONG base;
        switch (dwOrigin) {
        case STREAM_SEEK_SET: base = 0; break;
        case STREAM_SEEK_CUR: base = LONGLONG(m_pos); break;
        case STREAM_SEEK_END: base = LONGLONG(m_size); break;
        default: return STG_E_INVALIDFUNCTION;
        }
        LONGLONG pos;
        if (__builtin_add_overflow(base, dlibMove.QuadPart, &pos) || pos < 0)
            return STG_E_SEEKERROR;
        m_pos = ULONGLONG(pos); // past the end is allowed: reads there return nothing
        if (plibNewPosition)
            plibNewPosition->QuadPart = m_pos;
        return S_OK;
    }

    HRESULT SetSize(ULARGE_INTEGER) override { return STG_E_ACCESSDENIED; }

    HRESULT CopyTo(IStream* pstm, ULARGE_INTEGER cb, ULARGE_INTEGER* pcbRead, ULARGE_INTEGER* pcbWritten) override
    {
        if (pcbRead)
            pcbRead->QuadPart = 0;
        if (pcbWritten)
            pcbWritten->QuadPart = 0;
        if (!pstm)
            return STG_E_INVALIDPOINTER;
        ULONGLONG n = m_pos < m_size ? std::min<ULONGLONG>(cb.QuadPart, m_size - m_pos) : 0;
        ULONGLONG written = 0;
        HRESULT hr = S_OK;
        while (written < n) {
            ULONG chunk = ULONG(std::min<ULONGLONG>(n - written, 0x10000000));
            ULONG done = 0;
            hr = pstm->Write(m_body->data() + m_pos + written, chunk, &done);
            written += done;
            if (FAILED(hr) || done < chunk)
                break;
        }
        m_pos += n;
        if (pcbRead)
            pcbRead->QuadPart = n;
        if (pcbWritten)
            pcbWritten->QuadPart = written;
        return hr;
    }

    HRESULT Commit(DWORD) override { return STG_E_ACCESSDENIED; }
    HRESULT Revert() override { return STG_E_ACCESSDENIED; }
    HRESULT LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return STG_E_ACCESSDENIED; }
    HRESULT UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return STG_E_ACCESSDENIED; }

    HRESULT Stat(STATSTG* pstatstg, DWORD) override
    {
        if (!pstatstg)
            return STG_E_INVALIDPOINTER;
        std::memset(pstatstg, 0, sizeof(*pstatstg));
        pstatstg->type = STGTY_STREAM; // an answer has no name, whatever the flag asks
        pstatstg->cbSize.QuadPart = m_size;
        pstatstg->grfMode = STGM_READ;
        return S_OK;
    }

    HRESULT Clone(IStream** ppstm) override
    {
        if (!ppstm)
            return STG_E_INVALIDPOINTER;
        *ppstm = new (std::nothrow) CBodyStream(m_body, m_size, m_pos);
        return *ppstm ? S_OK : E_OUTOFMEMORY;
    }

private:
    ~CBodyStream() = default;

    std::shared_ptr<const std::string> m_body;
    size_t m_size;
    ULONGLONG m_pos;
};

} // namespace

IStream* CreateBodyStream(std::shared_ptr<const std::string> body, size_t size)
{
    return new (std::nothrow) CBodyStream(std::move(body), size);
}

} // namespace pal::http
