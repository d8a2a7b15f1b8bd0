// COM's error object and the identity rules of COM objects, on the system's streams and error objects.
#include <gtest/gtest.h>

#include <windows.h>
#include <atlbase.h>
#include <objidl.h>
#include <oleauto.h>
#include <shlwapi.h>

#include "__Utilities/WString.h"
#include "pal/host.h"
#include "support/TestPrefix.h"
#include "support/Wine.h"

TEST(ComErrorInfo, GetTakesItFromTheThread)
{
    CComPtr<ICreateErrorInfo> create;
    ASSERT_EQ(CreateErrorInfo(&create), S_OK);
    CComQIPtr<IErrorInfo> info(create.p);
    ASSERT_TRUE(info);
    EXPECT_EQ(SetErrorInfo(0, info), S_OK);
    CComPtr<IErrorInfo> got;
    EXPECT_EQ(GetErrorInfo(0, &got), S_OK);
    EXPECT_EQ(got.p, info.p);
    CComPtr<IErrorInfo> again;
    EXPECT_EQ(GetErrorInfo(0, &again), S_FALSE);
    EXPECT_EQ(again.p, nullptr);
    // One reference each for create, info and got: the thread gave its own away.
    got.p->AddRef();
    EXPECT_EQ(got.p->Release(), 3u);
}

namespace {

// A memory stream and a file stream of the shell.
struct ShellStreams {
    ShellStreams()
    {
        memory.Attach(SHCreateMemStream(reinterpret_cast<const BYTE*>("abc"), 3));
        WString path = pal::ToWindowsPath(testing_support::Prefix() + "/identity.bin");
        EXPECT_EQ(SHCreateStreamOnFileEx(path.c_str(), STGM_CREATE | STGM_READWRITE, FILE_ATTRIBUTE_NORMAL, TRUE,
                                         nullptr, &file),
                  S_OK);
    }
    CComPtr<IStream> memory, file;
};

} // namespace

// The identity rules callers rely on: every interface gives the same IUnknown, an extended interface's id
// answers too, and a foreign id leaves a null pointer.
TEST(ComIdentity, StreamsAndErrorObjectsAnswerTheirInterfaces)
{
    ShellStreams streams;
    ASSERT_TRUE(streams.memory && streams.file);
    for (IStream* stream : {streams.memory.p, streams.file.p}) {
        CComPtr<IUnknown> unknown;
        CComPtr<ISequentialStream> sequential;
        ASSERT_EQ(stream->QueryInterface(__uuidof(IUnknown), reinterpret_cast<void**>(&unknown)), S_OK);
        ASSERT_EQ(stream->QueryInterface(__uuidof(ISequentialStream), reinterpret_cast<void**>(&sequential)), S_OK);
        EXPECT_EQ(static_cast<void*>(unknown.p), static_cast<void*>(stream));
        EXPECT_EQ(static_cast<void*>(sequential.p), static_cast<void*>(stream));
        void* other = &other;
        EXPECT_EQ(stream->QueryInterface(__uuidof(IErrorInfo), &other), E_NOINTERFACE);
        EXPECT_EQ(other, nullptr);
        // Ours, the pointer and the two taken here.
        stream->AddRef();
        EXPECT_EQ(stream->Release(), 3u);
    }

    CComPtr<ICreateErrorInfo> create;
    ASSERT_EQ(CreateErrorInfo(&create), S_OK);
    CComPtr<IErrorInfo> info;
    ASSERT_EQ(create->QueryInterface(__uuidof(IErrorInfo), reinterpret_cast<void**>(&info)), S_OK);
    CComPtr<IUnknown> fromCreate, fromInfo;
    ASSERT_EQ(create->QueryInterface(__uuidof(IUnknown), reinterpret_cast<void**>(&fromCreate)), S_OK);
    ASSERT_EQ(info->QueryInterface(__uuidof(IUnknown), reinterpret_cast<void**>(&fromInfo)), S_OK);
    EXPECT_EQ(fromCreate.p, fromInfo.p);
    CComPtr<ICreateErrorInfo> back;
    ASSERT_EQ(info->QueryInterface(__uuidof(ICreateErrorInfo), reinterpret_cast<void**>(&back)), S_OK);
    EXPECT_EQ(back.p, create.p);
    void* stream = &stream;
    EXPECT_EQ(info->QueryInterface(__uuidof(IStream), &stream), E_NOINTERFACE);
    EXPECT_EQ(stream, nullptr);
}

TEST(ComIdentity, AMissingOutPointerIsRefused)
{
    if (testing_support::RunningOnWine())
        GTEST_SKIP() << "Wine: its shell streams' QueryInterface writes through a missing out pointer and faults; "
                        "COM's rule for QueryInterface is E_POINTER";
    ShellStreams streams;
    ASSERT_TRUE(streams.memory && streams.file);
    for (IStream* stream : {streams.memory.p, streams.file.p})
        EXPECT_EQ(stream->QueryInterface(__uuidof(IStream), nullptr), E_POINTER);
}
