// The platform pieces the recognition stands on: memory and file streams, global memory, path splitting,
// and the shell's list of unsafe extensions.
#include "signatures/SignatureTestUtil.h"
#include "support/TestPrefix.h"

#include <cerrno>

using namespace sigtest;

namespace {

LARGE_INTEGER Move(LONGLONG v)
{
    LARGE_INTEGER m;
    m.QuadPart = v;
    return m;
}

} // namespace

TEST(MemStream, ReadSeekStatAndGrowth)
{
    const BYTE data[] = {1, 2, 3, 4, 5};
    CComPtr<IStream> s;
    s.Attach(SHCreateMemStream(data, sizeof(data)));
    ASSERT_TRUE(s);
    BYTE buf[8] = {};
    ULONG n = 0;
    ULARGE_INTEGER pos;
    ASSERT_EQ(s->Seek(Move(-2), STREAM_SEEK_END, &pos), S_OK);
    EXPECT_EQ(pos.QuadPart, 3u);
    ASSERT_EQ(s->Read(buf, 8, &n), S_OK);
    EXPECT_EQ(n, 2u);
    EXPECT_EQ(buf[0], 4);
    // Past the end is allowed and reads nothing; before the start is an error.
    EXPECT_EQ(s->Seek(Move(100), STREAM_SEEK_SET, nullptr), S_OK);
    EXPECT_EQ(s->Read(buf, 8, &n), S_OK);
    EXPECT_EQ(n, 0u);
    EXPECT_NE(s->Seek(Move(-1), STREAM_SEEK_SET, nullptr), S_OK);
    EXPECT_NE(s->Seek(Move(-6), STREAM_SEEK_END, nullptr), S_OK);
    // A write past the end grows the stream; the source buffer was copied.
    ASSERT_EQ(s->Write("xy", 2, &n), S_OK);
    STATSTG st;
    ASSERT_EQ(s->Stat(&st, STATFLAG_NONAME), S_OK);
    EXPECT_EQ(st.cbSize.QuadPart, 102u);
    EXPECT_EQ(st.type, DWORD(STGTY_STREAM));
    EXPECT_EQ(data[0], 1);

    CComPtr<IStream> clone;
    ASSERT_EQ(s->Clone(&clone), S_OK);
    ASSERT_EQ(clone->Seek(Move(0), STREAM_SEEK_SET, nullptr), S_OK);
    ASSERT_EQ(clone->Read(buf, 3, &n), S_OK);
    EXPECT_EQ(buf[2], 3);
    s->AddRef();
    EXPECT_EQ(s->Release(), 1u);
}

TEST(HGlobalStream, SharesTheBlockAndFreesItOnRelease)
{
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, 4);
    ASSERT_TRUE(h);
    std::memcpy(GlobalLock(h), "abcd", 4);
    GlobalUnlock(h);
    CComPtr<IStream> s;
    ASSERT_EQ(CreateStreamOnHGlobal(h, FALSE, &s), S_OK);
    ULONG n = 0;
    ASSERT_EQ(s->Seek(Move(0), STREAM_SEEK_END, nullptr), S_OK);
    ASSERT_EQ(s->Write("efgh", 4, &n), S_OK);
    HGLOBAL back = nullptr;
    ASSERT_EQ(GetHGlobalFromStream(s, &back), S_OK);
    EXPECT_EQ(GlobalSize(back), 8u);
    EXPECT_EQ(std::string(static_cast<char*>(GlobalLock(back)), 8), "abcdefgh");
    GlobalUnlock(back);
    s.Release();
    GlobalFree(back);  // not the stream's to free

    CComPtr<IStream> fresh;
    ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &fresh), S_OK);
    STATSTG st;
    ASSERT_EQ(fresh->Stat(&st, STATFLAG_NONAME), S_OK);
    EXPECT_EQ(st.cbSize.QuadPart, 0u);

    void* fixed = GlobalAlloc(GPTR, 16);
    EXPECT_EQ(GlobalSize(fixed), 16u);
    EXPECT_EQ(GlobalLock(fixed), fixed);
    EXPECT_EQ(static_cast<BYTE*>(fixed)[15], 0);
    GlobalFree(fixed);
}

TEST(FileStream, ReadsRegularFilesAndReportsTheOthers)
{
    std::string path = testing_support::Prefix() + "/stream.bin";
    testing_support::WriteFile(path, "0123456789");
    CComPtr<IStream> s;
    ASSERT_EQ(SHCreateStreamOnFileEx(pal::ToWindowsPath(path).c_str(), STGM_READ, 0, FALSE, nullptr, &s), S_OK);
    char buf[4] = {};
    ULONG n = 0;
    ULARGE_INTEGER pos;
    ASSERT_EQ(s->Seek(Move(-3), STREAM_SEEK_END, &pos), S_OK);
    EXPECT_EQ(pos.QuadPart, 7u);
    ASSERT_EQ(s->Read(buf, 4, &n), S_OK);
    EXPECT_EQ(std::string(buf, n), "789");
    EXPECT_EQ(s->Write("x", 1, &n), STG_E_ACCESSDENIED);
    STATSTG st;
    ASSERT_EQ(s->Stat(&st, STATFLAG_DEFAULT), S_OK);
    EXPECT_EQ(st.cbSize.QuadPart, 10u);
    EXPECT_EQ(pal::ToUtf8(st.pwcsName), pal::ToUtf8(pal::ToWindowsPath(path).c_str()));
    CoTaskMemFree(st.pwcsName);

    CComPtr<IStream> missing;
    EXPECT_EQ(SHCreateStreamOnFileEx(pal::ToWindowsPath(path + ".none").c_str(), STGM_READ, 0, FALSE, nullptr,
                                     &missing),
              HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    CComPtr<IStream> folder;
    EXPECT_EQ(SHCreateStreamOnFileEx(pal::ToWindowsPath(testing_support::Prefix()).c_str(), STGM_READ, 0, FALSE,
                                     nullptr, &folder),
              HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED));
    EXPECT_FALSE(folder);

    CComPtr<IStream> created;
    ASSERT_EQ(SHCreateStreamOnFileEx(pal::ToWindowsPath(path + ".new").c_str(), STGM_CREATE | STGM_READWRITE, 0,
                                     TRUE, nullptr, &created),
              S_OK);
    ASSERT_EQ(created->Write("abc", 3, &n), S_OK);
    created.Release();
    EXPECT_EQ(testing_support::ReadFile(path + ".new"), "abc");
}

TEST(SplitPath, PartsAndBufferLimits)
{
    WCHAR drive[3], dir[64], name[64], ext[8];
    ASSERT_EQ(_wsplitpath_s(W("C:\\a\\b.c/file.tar.gz"), drive, 3, dir, 64, name, 64, ext, 8), 0);
    EXPECT_EQ(pal::ToUtf8(drive), "C:");
    EXPECT_EQ(pal::ToUtf8(dir), "\\a\\b.c/");
    EXPECT_EQ(pal::ToUtf8(name), "file.tar");
    EXPECT_EQ(pal::ToUtf8(ext), ".gz");
    ASSERT_EQ(_wsplitpath_s(W("dir.v2/README"), nullptr, 0, nullptr, 0, name, 64, ext, 8), 0);
    EXPECT_EQ(pal::ToUtf8(name), "README");
    EXPECT_EQ(pal::ToUtf8(ext), "");
    // A part that does not fit empties every part.
    EXPECT_EQ(_wsplitpath_s(W("name.toolongext"), nullptr, 0, nullptr, 0, name, 64, ext, 8), ERANGE);
    EXPECT_EQ(name[0], 0);
    EXPECT_EQ(ext[0], 0);
    EXPECT_EQ(_wsplitpath_s(nullptr, nullptr, 0, nullptr, 0, name, 64, ext, 8), EINVAL);
    EXPECT_EQ(_wsplitpath_s(W("a.b"), nullptr, 0, nullptr, 0, name, 0, ext, 8), EINVAL);
}

TEST(AssocIsDangerous, TheShellsUnsafeTypes)
{
    for (const WCHAR* e : {W(".exe"), W(".EXE"), W(".bat"), W(".js"), W(".ps1"), W(".lnk"), W(".hta")})
        EXPECT_TRUE(AssocIsDangerous(e)) << pal::ToUtf8(e);
    for (const WCHAR* e : {W(".txt"), W(".pdf"), W(".dll"), W("exe"), W(""), W(".verylongextension")})
        EXPECT_FALSE(AssocIsDangerous(e)) << pal::ToUtf8(e);
    EXPECT_FALSE(AssocIsDangerous(nullptr));
}
