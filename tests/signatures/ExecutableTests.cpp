// The executable probe on programs built by mingw-w64, the NSIS and .NET samples of the corpus, NE fonts,
// and patched headers.
#include "signatures/SignatureTestUtil.h"
#include "support/TestPrefix.h"

using namespace sigtest;

namespace {

struct Program { const char* path; FileKind kind; int platform, mode, dotNet; ULONG readBytes; };

std::string Path(const char* p)
{
    std::string s = p;
    return s.rfind("corpus:", 0) == 0 ? testing_support::CorpusPath("files/" + s.substr(7))
                                      : testing_support::DataPath("files/" + s);
}

} // namespace

TEST(Executable, KindsPlatformModeAndDotNet)
{
    const Program programs[] = {
        {"exe/hello-x86_64.exe", FK_EXE_64, 2, 3, 0, 0},
        {"exe/hello-i686.exe", FK_EXE_32, 2, 2, 0, 0},
        {"exe/lib-x86_64.dll", FK_DLL_64, 2, 3, 0, 0},
        {"exe/lib-i686.dll", FK_DLL_32, 2, 2, 0, 0},
        {"corpus:exe/dotnet-hello-x64.exe", FK_EXE_64, 2, 3, 1, 0},
        {"corpus:exe/dotnet-lib.dll", FK_DLL_32, 2, 2, 1, 0},
        {"exe/font-ne.fon", FK_DLL_16, 2, 1, 0, 0},
        {"exe/ne-program.exe", FK_EXE_16, 2, 1, 0, 0},
        {"exe/dos-program.exe", FK_EXE_DOS, 1, 0, 0, 64},
        {"exe/clr-rva16.exe", FK_EXE_32, 2, 2, 1, 0},
        {"exe/clr-rva15.exe", FK_EXE_32, 2, 2, 0, 0},  // directory 14 does not exist with 15 directories
    };
    for (const Program& p : programs) {
        Analysis a = AnalyseFile(Path(p.path));
        const AdditionalInfo& info = a.record.additionalInfo;
        EXPECT_EQ(a.kind, p.kind) << p.path;
        EXPECT_EQ(int(info.platform), p.platform) << p.path;
        EXPECT_EQ(int(info.programMode), p.mode) << p.path;
        EXPECT_EQ(int(info.isDotNet), p.dotNet) << p.path;
        if (p.readBytes) {
            EXPECT_EQ(info.readBytes, p.readBytes) << p.path;
        }
        EXPECT_EQ(info.relevantBytes.size(), info.fileBytes.size()) << p.path;
        EXPECT_EQ(info.relevantBytes[0] + info.relevantBytes[1] + info.relevantBytes[24] + info.relevantBytes[25], 4)
            << p.path;
    }
}

TEST(Executable, HeaderBytesAndRelevanceOfAPeProgram)
{
    Analysis a = AnalyseFile(Path("exe/hello-i686.exe"));
    const AdditionalInfo& info = a.record.additionalInfo;
    DWORD pe = info.fileBytes[60] | (info.fileBytes[61] << 8);
    EXPECT_EQ(info.fileBytes.size(), pe + 264u);
    EXPECT_EQ(info.readBytes, pe + 116 + 4 + 16 * 8u);  // the end of the data directories
    EXPECT_EQ(info.fileBytes[pe], 'P');
    EXPECT_EQ(info.relevantBytes[pe + 5], 1);
    EXPECT_EQ(info.relevantBytes[pe + 6], 0);
    EXPECT_EQ(info.relevantBytes[pe + 116 + 119], 1);  // directory 14's address
}

TEST(Executable, RejectedHeaders)
{
    for (const char* p : {"exe/arm64.dll", "exe/pe-truncated.dll", "exe/ne-linkerrors.exe",
                          "corpus:exe/truncated-mz-64bytes.exe", "corpus:exe/mz-2bytes.exe"}) {
        Analysis a = AnalyseFile(Path(p));
        EXPECT_EQ(a.kind, FK_UNKNOWN) << p;
        // A failed probe leaves the bytes of the first read in place.
        EXPECT_EQ(a.record.additionalInfo.fileBytes.size(), READ_LENGTH) << p;
        EXPECT_EQ(int(a.record.additionalInfo.platform), 0) << p;
    }
}

TEST(Executable, NewHeaderOffsetOfAtMost0x40IsRejectedNotDos)
{
    std::string mz = testing_support::ReadFile(Path("exe/dos-program.exe"));
    mz[24] = 0x40;                        // relocation table offset 0x40: a new header is announced
    mz[60] = 0x40;                        // ... at 0x40, inside the MS-DOS header
    mz += std::string("PE\0\0", 4) + std::string(300, '\0');
    mz[64 + 4] = char(0x4C), mz[64 + 5] = 0x01;
    EXPECT_EQ(AnalyseBytes(mz, "x.exe").kind, FK_UNKNOWN);
}

TEST(Executable, HugeDirectoryCountDoesNotWrap)
{
    Analysis a = AnalyseFile(Path("exe/rva-huge.exe"));
    EXPECT_EQ(a.kind, FK_EXE_32);
    EXPECT_EQ(a.record.additionalInfo.readBytes, 0xFFFFFFFFu);  // larger than fileBytes, as reported
    EXPECT_LT(a.record.additionalInfo.fileBytes.size(), 4096u);
}

TEST(Executable, MemoryForm)
{
    std::string dll = testing_support::ReadFile(Path("exe/lib-x86_64.dll"));
    AdditionalInfo info;
    EXPECT_EQ(CFileSignature::GetExecutableInfo(reinterpret_cast<const BYTE*>(dll.data()), 1024, info), FK_DLL_64);
    EXPECT_EQ(CFileSignature::GetExecutableInfo(nullptr, 10, info), FK_UNKNOWN);
    EXPECT_EQ(CFileSignature::GetExecutableInfo(reinterpret_cast<const BYTE*>(dll.data()), 0, info), FK_UNKNOWN);
}
