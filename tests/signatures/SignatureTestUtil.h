// Helpers of the file type recognition tests: analysing a file as an attachment named like it, streams
// over bytes, and a stream that records what the probes ask of it.
#pragma once

#include <windows.h>
#include <atlbase.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Utils/FileSignature.h"
#include "email/AttachmentInfo.h"
#include "pal/host.h"
#include "support/TestUtil.h"

namespace sigtest {

typedef std::basic_string<WCHAR> WString;

struct Analysis {
    FileKind kind = FK_UNKNOWN;
    std::string typeName;
    AttachmentInfo record;
    std::vector<AttachmentInfo> contained;
};

inline CComPtr<IStream> MemoryStream(const std::string& bytes)
{
    CComPtr<IStream> stream;
    stream.Attach(SHCreateMemStream(reinterpret_cast<const BYTE*>(bytes.data()), UINT(bytes.size())));
    return stream;
}

inline CComPtr<IStream> FileStream(const std::string& path)
{
    CComPtr<IStream> stream;
    HRESULT hr = SHCreateStreamOnFileEx(pal::ToWindowsPath(path).c_str(), STGM_READ | STGM_SHARE_DENY_WRITE,
                                        FILE_ATTRIBUTE_NORMAL, FALSE, nullptr, &stream);
    EXPECT_EQ(hr, S_OK) << path;
    return stream;
}

// Analyses a stream as the add-in analyses an attachment called name.
inline Analysis AnalyseStream(IStream* stream, const std::string& name)
{
    Analysis a;
    a.record.longFileName = pal::ToWide(name);
    a.record.extension = CFileSignature::GetFileExtension(a.record.longFileName.c_str());
    FileKind implied = CFileSignature::GetExtensionType(a.record.extension.c_str());
    a.kind = CFileSignature::GetExtensionInfo(stream, implied, a.record.additionalInfo, a.contained);
    a.record.typeName = CFileSignature::GetKindName(a.kind);
    a.typeName = pal::ToUtf8(a.record.typeName.c_str());
    return a;
}

inline Analysis AnalyseFile(const std::string& path)
{
    CComPtr<IStream> stream = FileStream(path);
    return AnalyseStream(stream, path.substr(path.find_last_of('/') + 1));
}

inline Analysis AnalyseBytes(const std::string& bytes, const std::string& name)
{
    CComPtr<IStream> stream = MemoryStream(bytes);
    return AnalyseStream(stream, name);
}

inline std::string Utf8(const WString& s) { return pal::ToUtf8(s.c_str()); }

inline std::vector<std::string> Names(const std::vector<AttachmentInfo>& files)
{
    std::vector<std::string> names;
    for (const AttachmentInfo& f : files)
        names.push_back(Utf8(f.longFileName) + ":" + Utf8(f.typeName));
    return names;
}

// A stream over bytes in memory that counts the reads and remembers the largest one asked for: the probes
// size their buffers by what they read, so the largest request bounds what they allocate.
class CRecordingStream final : public IStream {
public:
    explicit CRecordingStream(std::string bytes) : m_inner(MemoryStream(bytes)) {}

    HRESULT QueryInterface(REFIID riid, void** ppv) override
    {
        if (riid == __uuidof(IUnknown) || riid == __uuidof(ISequentialStream) || riid == __uuidof(IStream)) {
            *ppv = static_cast<IStream*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++m_refs; }
    ULONG Release() override { return --m_refs; }  // lives on the test's stack
    HRESULT Read(void* pv, ULONG cb, ULONG* pcbRead) override
    {
        ++reads;
        largestRead = std::max(largestRead, cb);
        return m_inner->Read(pv, cb, pcbRead);
    }
    HRESULT Write(const void*, ULONG, ULONG*) override { return testing_support::UnexpectedCall("IStream::Write"); }
    HRESULT Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* pos) override
    {
        return m_inner->Seek(move, origin, pos);
    }
    HRESULT SetSize(ULARGE_INTEGER) override { return testing_support::UnexpectedCall("IStream::SetSize"); }
    HRESULT CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override
    {
        return testing_support::UnexpectedCall("IStream::CopyTo");
    }
    HRESULT Commit(DWORD) override { return testing_support::UnexpectedCall("IStream::Commit"); }
    HRESULT Revert() override { return testing_support::UnexpectedCall("IStream::Revert"); }
    HRESULT LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override
    {
        return testing_support::UnexpectedCall("IStream::LockRegion");
    }
    HRESULT UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override
    {
        return testing_support::UnexpectedCall("IStream::UnlockRegion");
    }
    HRESULT Stat(STATSTG* s, DWORD flags) override { return m_inner->Stat(s, flags); }
    HRESULT Clone(IStream**) override { return testing_support::UnexpectedCall("IStream::Clone"); }

    ULONG reads = 0;
    ULONG largestRead = 0;

private:
    CComPtr<IStream> m_inner;
    ULONG m_refs = 1;
};

} // namespace sigtest
