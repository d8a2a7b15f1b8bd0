// The body stream of the MSXML request objects. Like Windows' stream over a received answer it reads and
// seeks; every call that would change the stream is refused as access denied.
#include "msxml/xmlhttp_stream.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "common/stream_base.h"
#include "windows.h"

namespace pal::http {

namespace {

class CBodyStream final : public pal::StreamBase {
public:
    CBodyStream(std::shared_ptr<const std::string> body, size_t size, ULONGLONG pos = 0)
        : m_body(std::move(body)), m_size(std::min(size, m_body ? m_body->size() : 0))
    {
        m_pos = pos;
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

    HRESULT SetSize(ULARGE_INTEGER) override { return STG_E_ACCESSDENIED; }

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

protected:
    HRESULT End(ULONGLONG& end) override
    {
        end = m_size;
        return S_OK;
    }

private:
    ~CBodyStream() = default;

    std::shared_ptr<const std::string> m_body;
    size_t m_size;
};

} // namespace

IStream* CreateBodyStream(std::shared_ptr<const std::string> body, size_t size)
{
    return new (std::nothrow) CBodyStream(std::move(body), size);
}

} // namespace pal::http
