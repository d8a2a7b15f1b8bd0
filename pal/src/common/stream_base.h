// What the layer's streams share: the seek pointer, which may go past the end (reads there give nothing,
// writes grow the stream), and CopyTo as the stream's own reads written to the target, as the system's
// streams copy. Each stream says where its end is.
#pragma once

#include <algorithm>

#include "objidl.h"
#include "pal/com_object.h"

namespace pal {

class StreamBase : public ComObject<ComEntry<IStream, ISequentialStream>> {
public:
    HRESULT Seek(LARGE_INTEGER dlibMove, DWORD dwOrigin, ULARGE_INTEGER* plibNewPosition) override
    {
        LONGLONG base;
        switch (dwOrigin) {
        case STREAM_SEEK_SET: base = 0; break;
        case STREAM_SEEK_CUR: base = LONGLONG(m_pos); break;
        case STREAM_SEEK_END: {
            ULONGLONG end = 0;
            HRESULT hr = End(end);
            if (FAILED(hr))
                return hr;
            base = LONGLONG(end);
            break;
        }
        default: return STG_E_INVALIDFUNCTION;
        }
        LONGLONG pos;
        if (__builtin_add_overflow(base, dlibMove.QuadPart, &pos) || pos < 0)
            return STG_E_SEEKERROR;
        m_pos = ULONGLONG(pos);
        if (plibNewPosition)
            plibNewPosition->QuadPart = m_pos;
        return S_OK;
    }

    // Stops at the end of this stream, or where the target takes less than it was given.
    HRESULT CopyTo(IStream* pstm, ULARGE_INTEGER cb, ULARGE_INTEGER* pcbRead, ULARGE_INTEGER* pcbWritten) override
    {
        if (pcbRead)
            pcbRead->QuadPart = 0;
        if (pcbWritten)
            pcbWritten->QuadPart = 0;
        if (!pstm)
            return STG_E_INVALIDPOINTER;
        BYTE buffer[65536];
        ULONGLONG read = 0, written = 0;
        HRESULT hr = S_OK;
        while (read < cb.QuadPart) {
            ULONG got = 0;
            hr = Read(buffer, ULONG(std::min<ULONGLONG>(sizeof(buffer), cb.QuadPart - read)), &got);
            if (FAILED(hr) || got == 0)
                break;
            read += got;
            ULONG put = 0;
            hr = pstm->Write(buffer, got, &put);
            written += put;
            if (FAILED(hr) || put < got)
                break;
        }
        if (pcbRead)
            pcbRead->QuadPart = read;
        if (pcbWritten)
            pcbWritten->QuadPart = written;
        return hr;
    }

protected:
    // The stream's size, where a seek from the end starts.
    virtual HRESULT End(ULONGLONG& end) = 0;

    ULONGLONG m_pos = 0;
};

} // namespace pal
