// vantora mapi end to end: the real program over the whole corpus as JSON, the text view of a message with
// an attached message, and an unreadable file reported while the others go on.
#include <dirent.h>

#include <cstdio>

#include "StoreTestUtil.h"
#include "support/Command.h"
#include "support/TestPrefix.h"

namespace {

using CommandRun = testing_support::CommandResult;

CommandRun Mapi(const std::string& arguments, bool withErrors = false)
{
    return testing_support::RunCommand(std::string(VANTORA_BIN_DIR) + "/vantora mapi " + arguments +
                                       (withErrors ? " 2>&1" : " 2>/dev/null"));
}

std::string Quoted(const std::string& path) { return "'" + path + "'"; }

size_t Count(const std::string& text, const std::string& what)
{
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

// Brackets and braces outside strings balance, and strings end.
bool Balanced(const std::string& json)
{
    std::string stack;
    bool inString = false;
    for (size_t i = 0; i < json.size(); ++i) {
        char c = json[i];
        if (inString) {
            if (c == '\\')
                ++i;
            else if (c == '"')
                inString = false;
            else if (static_cast<unsigned char>(c) < 0x20)
                return false;
            continue;
        }
        if (c == '"')
            inString = true;
        else if (c == '[' || c == '{')
            stack += c;
        else if (c == ']' || c == '}') {
            if (stack.empty() || stack.back() != (c == ']' ? '[' : '{'))
                return false;
            stack.pop_back();
        }
    }
    return stack.empty() && !inString;
}

} // namespace

TEST(StoreMapiCommand, WholeCorpusAsJson)
{
    std::string arguments = "--json";
    size_t files = 0;
    for (const std::string folder : {"eml", "msg"}) {
        DIR* dir = opendir(store_test::Corpus(folder).c_str());
        ASSERT_TRUE(dir);
        while (dirent* e = readdir(dir)) {
            std::string name = e->d_name;
            if (name.size() > 4 && (name.substr(name.size() - 4) == ".eml" || name.substr(name.size() - 4) == ".msg")) {
                arguments += " " + Quoted(store_test::Corpus(folder + "/" + name));
                ++files;
            }
        }
        closedir(dir);
    }
    CommandRun run = Mapi(arguments);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(Count(run.out, "\n  \"file\": "), files);
    EXPECT_TRUE(Balanced(run.out));
    EXPECT_EQ(run.out.substr(0, 1), "[");
    EXPECT_GE(Count(run.out, "\"mailItem\": false"), 10u);
}

TEST(StoreMapiCommand, TextViewAndAnUnreadableFile)
{
    std::string attached = store_test::Corpus("eml/mail-attachment_emails-attachment_message_rfc822.eml");
    CommandRun run = Mapi(Quoted("/no/such/file.eml") + " " + Quoted(attached), true);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("vantora mapi: /no/such/file.eml: "), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("mail item: yes"), std::string::npos);
    EXPECT_NE(run.out.find("#0 message"), std::string::npos);
    EXPECT_NE(run.out.find("subject: Another PDF"), std::string::npos);
    EXPECT_NE(run.out.find("#0 file \"broken.pdf\" 1026 bytes application/pdf"), std::string::npos) << run.out;
}

TEST(StoreMapiCommand, WhatLibytnefSaysAboutABrokenStreamStaysOutOfTheJson)
{
    store_test::TnefWriter tnef;
    tnef.AddFile("a.txt", "abc");
    std::string bytes = tnef.Bytes();
    size_t data = bytes.find("abc");
    for (int i = 1; i <= 4; ++i)
        bytes[data - size_t(i)] = char(0x7F); // a length far beyond the stream
    std::string path = testing_support::Prefix() + "/lying-tnef.eml";
    testing_support::WriteFile(path, "From: a@example.com\nSubject: t\nMIME-Version: 1.0\nContent-Type: multipart/mixed; "
                                     "boundary=\"t\"\n\n--t\nContent-Type: application/ms-tnef\nContent-Transfer-Encoding: "
                                     "base64\n\n" + store_test::Base64(bytes) + "--t--\n");
    CommandRun run = Mapi("--json " + Quoted(path));
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out.substr(0, 2), "[\n") << run.out.substr(0, 200);
    EXPECT_TRUE(Balanced(run.out));
}
