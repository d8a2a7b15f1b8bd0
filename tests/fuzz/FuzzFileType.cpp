// The file type analysis of an attachment, as `vantora identify` and the attachment list run it: the input
// is a file name (its length in the first byte, at most 31) and the file's bytes after it.
#include <algorithm>
#include <string>
#include <vector>

#include <atlbase.h>
#include <shlwapi.h>

#include "FuzzSupport.h"
#include "Utils/FileSignature.h"
#include "email/AttachmentInfo.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Prefix();
    if (size == 0)
        return 0;
    size_t nameLength = std::min<size_t>(data[0] & 31, size - 1);
    std::u16string name = fuzz::CString(pal::ToWide(std::string_view(reinterpret_cast<const char*>(data + 1), nameLength)));
    const uint8_t* content = data + 1 + nameLength;
    size_t contentSize = size - 1 - nameLength;

    CComPtr<IStream> stream;
    stream.Attach(SHCreateMemStream(content, UINT(contentSize)));
    FUZZ_ASSERT(stream);

    AttachmentInfo record;
    record.longFileName = name;
    try {
        if (!name.empty())
            record.extension = CFileSignature::GetFileExtension(name.c_str());
    } catch (...) {
        // A name the path splitter refuses has no extension, as in the attachment list.
    }
    FileKind implied = CFileSignature::GetExtensionType(record.extension.c_str());
    std::vector<AttachmentInfo> contained;
    FileKind found = CFileSignature::GetExtensionInfo(stream, implied, record.additionalInfo, contained);
    const WCHAR* typeName = CFileSignature::GetKindName(found);
    FUZZ_ASSERT(typeName);
    record.typeName = typeName;
    CFileSignature::IsPotentiallyDangerous(record);

    // Sizes are not checked: readBytes of a program is the end of its data directories as its header
    // claims, and a top-down BMP has a negative height. The sanitizers check every access.
    for (const AttachmentInfo& file : contained)
        CFileSignature::IsPotentiallyDangerous(file);
    fuzz::TrimErrorLog();
    return 0;
}
