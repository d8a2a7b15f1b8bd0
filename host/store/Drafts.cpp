// Composed items kept as drafts: one .eml per displayed item, written with GMime as a mail client would
// save an unsent message.
#include "host/store/MailItem.h"

#include <fcntl.h>
#include <gmime/gmime.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "pal/host.h"

namespace store {

namespace {

// A file name from the subject: characters a file name cannot hold become "_", at most 80 of them.
std::string FileStem(const WString& subject)
{
    std::string stem;
    for (char c : pal::ToUtf8(subject.substr(0, 80)))
        stem += (c == '/' || c == '\\' || (unsigned char)c < 0x20 || c == ':' || c == '*' || c == '?' || c == '"' ||
                 c == '<' || c == '>' || c == '|')
                    ? '_'
                    : c;
    while (!stem.empty() && (stem.back() == ' ' || stem.back() == '.'))
        stem.pop_back();
    if (stem.empty() || stem[0] == '.')
        stem = "Untitled" + stem;
    return stem;
}

} // namespace

std::string WriteDraft(const WString& subject, const WString& body)
{
    std::error_code ec;
    std::filesystem::path folder = std::filesystem::path(pal::PrefixPath()) / "Drafts";
    std::filesystem::create_directories(folder, ec);
    std::string stem = FileStem(subject), path;
    int fd = -1;
    for (int n = 1; n <= 1000 && fd < 0; ++n) {
        path = (folder / (stem + (n > 1 ? " (" + std::to_string(n) + ")" : "") + ".eml")).string();
        fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0) {
        std::fprintf(stderr, "vantora: cannot write the draft into %s\n", folder.string().c_str());
        return "";
    }

    g_mime_init();
    GMimeMessage* message = g_mime_message_new(TRUE);
    g_mime_message_set_subject(message, pal::ToUtf8(subject).c_str(), "utf-8");
    g_mime_object_set_header(GMIME_OBJECT(message), "X-Unsent", "1", nullptr);
    GDateTime* now = g_date_time_new_now_local();
    g_mime_message_set_date(message, now);
    g_date_time_unref(now);

    GMimeTextPart* text = g_mime_text_part_new_with_subtype("plain");
    std::string utf8 = pal::ToUtf8(body);
    // One kind of line break in the part; the writer gives the file's CR LF.
    std::string lines;
    lines.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size(); ++i)
        if (!(utf8[i] == '\r' && i + 1 < utf8.size() && utf8[i + 1] == '\n'))
            lines += utf8[i];
    g_mime_text_part_set_text(text, lines.c_str());
    g_mime_text_part_set_charset(text, "utf-8");
    g_mime_part_set_content_encoding(GMIME_PART(text), GMIME_CONTENT_ENCODING_QUOTEDPRINTABLE);
    g_mime_message_set_mime_part(message, GMIME_OBJECT(text));
    g_object_unref(text);

    GMimeStream* stream = g_mime_stream_fs_new(fd); // owns the descriptor
    GMimeFormatOptions* options = g_mime_format_options_clone(nullptr);
    g_mime_format_options_set_newline_format(options, GMIME_NEWLINE_FORMAT_DOS);
    bool written = g_mime_object_write_to_stream(GMIME_OBJECT(message), options, stream) >= 0 &&
                   g_mime_stream_flush(stream) == 0;
    g_mime_format_options_free(options);
    g_object_unref(stream);
    g_object_unref(message);
    if (!written) {
        std::fprintf(stderr, "vantora: cannot write the draft %s\n", path.c_str());
        std::filesystem::remove(path, ec);
        return "";
    }
    return path;
}

} // namespace store
