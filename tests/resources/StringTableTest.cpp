// The string table carries the fixed texts under their fixed numbers. The numbers are written out here
// on purpose (not the IDS_ names), so that a renumbered entry is caught.
#include <gtest/gtest.h>

#include <string>

#include "__Utilities/ResourceManager.h"
#include "pal/host.h"

namespace {

std::u16string Text(int id)
{
    CComBSTR b = CResourceManager::Instance().GetText(id);
    return b.m_str ? std::u16string(b.m_str, b.Length()) : std::u16string();
}

struct Fixed {
    int id;
    const char16_t* text;
};

const Fixed kFixed[] = {
    {100, u"VantoraAddin"},
    {102, u"Help.pdf"},
    {103, u"The help file \"Help.pdf\" was not found!"},
    {270, u"xsMaxRetryCount"},
    {271, u"xsReplyTimeout"},
    {272, u"xsDisplayTabs"},
    {273, u"xsBlockEmailsList"},
    {274, u"xsBlockLinksList"},
    {276, u"xsBlockServersList"},
    {280, u"Junk E-mail"},
    {281, u"xsProvidersOrder"},
    {282, u"xsSelectedProvidersOrder"},
    {283, u"xsProviderKeys"},
    {301, u"Warning"},
    {302, u"The selected file is part of a container\nand at current it cannot be saved."},
    {303, u"Unable to reorder IP providers as some requests are still in progress."},
    {310, u"Error Log Details"},
    {311, u"E-mail Details"},
    {320, u"Warning"},
    {321, u"Danger"},
    {322, u"CAB file is set to run content on extract"},
    {323, u"Content is potentially dangerous"},
    {324, u"Content is potentially tracking"},
    {325, u"Recognized file type is different than implied file type"},
    {326, u"E-mail passed through a server in "},
    {327, u"Link passed through a server in "},
    {328, u"Link points to server: "},
    {350, u"Bad Request"},
    {357, u"Proxy Authentication Required"},
    {368, u"I'm a teapot"},
    {369, u"Misdirected Request"},
    {375, u"Too Many Requests"},
    {377, u"Unavailable For Legal Reasons"},
    {378, u"Internal Server Error"},
    {383, u"HTTP Version Not Supported"},
    {387, u"Not Extended"},
    {388, u"Network Authentication Required"},
    {440, u"N/A"},
    {441, u"sec"},
    {445, u"week"},
    {446, u"mo"},
    {447, u"yr"},
    {450, u"Original URL"},
    {451, u"Redirect URL"},
    {452, u"Unknown Host"},
    {453, u"Details"},
    {460, u"Provider"},
    {461, u"Key"},
    {462, u"Rate"},
    {463, u"*Key Required*"},
    {464, u"IPv4"},
    {465, u"IPv6"},
    {466, u"URL"},
    {467, u"Providers"},
    {468, u"Flag Countries"},
    {469, u"Flag Links"},
    {471, u"Flag Servers"},
    {472, u"Setup"},
    {480, u"Move Up"},
    {483, u"Clear Key"},
    {484, u"Select All"},
    {485, u"Select None"},
    {500, u"Message Header"},
    {501, u"Message Body"},
    {502, u"Message IP Location"},
    {503, u"Message Attachments"},
    {504, u"Message Links"},
    {505, u"Error Log"},
    {510, u"Invalid"},
    {511, u"Reserved"},
    {550, u"Country"},
    {551, u"Province"},
    {552, u"State"},
    {553, u"Region"},
    {554, u"City"},
    {555, u"Postal Code"},
    {556, u"Zip Code"},
    {557, u"Latitude"},
    {558, u"Longitude"},
    {559, u"Host Name"},
    {560, u"Organization"},
    {570, u"N/A"},
    {571, u"Pending..."},
    {572, u"Requesting..."},
    {573, u"Retrieving..."},
    {574, u"Redirecting..."},
    {575, u"Aborted"},
    {576, u"Failed"},
    {577, u"Quota Exceeded"},
    {585, u"Host :\t\t"},
    {586, u"Path :\t\t"},
    {587, u"Extension :\t"},
    {588, u"Query :\t\t"},
    {589, u"Fragment :\t"},
    {590, u"Protocol :\t"},
    {591, u"User Info :\t"},
    {592, u"Port :\t\t"},
    {593, u"File Name :\t"},
    {594, u"Status :\t\t"},
    {1000, u"Info"},
    {1001, u"IP / Location"},
    {1002, u"     .     .     .     "},
    {1004, u"     .     .     .     "},
    {1006, u"               "},
    {1010, u"               "},
    {1022, u"               "},
    {1027, u"Attachments"},
    {1028, u"           "},
    {1031, u".    "},
    {1037, u"Links"},
    {1038, u"www.______.com"},
    {1040, u"www.______.com"},
    {1042, u"               "},
    {1058, u"               "},
    {1065, u"Message"},
    {1069, u"Message Header"},
    {1070, u"Plain Text"},
    {1071, u"Content"},
    {1072, u"From:"},
    {1073, u"Name"},
    {1074, u"e-mail"},
    {1076, u"Status"},
    {1080, u"Preferences"},
    {1081, u"Validation Options"},
    {1082, u"Help"},
    {1083, u"Help"},
    {1084, u"About"},
};

TEST(StringTable, FixedTexts)
{
    for (const Fixed& f : kFixed)
        EXPECT_EQ(Text(f.id), f.text) << "string " << f.id << " is \"" << pal::ToUtf8(Text(f.id)) << "\"";
}

TEST(StringTable, EveryHttpStatusTextIsPresent)
{
    for (int id = 350; id <= 388; ++id)
        EXPECT_FALSE(Text(id).empty()) << id;
}

// Controls shown without a label have no text, and no control has a screen tip or super tip text.
TEST(StringTable, UnlabelledControlsAndTipsHaveNoText)
{
    for (int id : {1005, 1011, 1017, 1023, 1024, 1025, 1026, 1034, 1035, 1036, 1041, 1047, 1053, 1059, 1062, 1063,
                   1064, 1066, 1067, 1068, 1075, 1087, 1088, 1089, 1090})
        EXPECT_EQ(Text(id), u"") << id;
    for (int id = 1000; id <= 1090; ++id) {
        EXPECT_EQ(Text(id + 100), u"") << "screen tip of " << id;
        EXPECT_EQ(Text(id + 200), u"") << "super tip of " << id;
    }
}

// Group labels give the key tips ZI, ZM, ZC, ZI, ZA, ZL, ZP and ZH from their first letters.
TEST(StringTable, GroupLabelsGiveTheKeyTips)
{
    std::u16string letters;
    for (int id : {1000, 1065, 1071, 1001, 1027, 1037, 1080, 1082})
        letters += Text(id).substr(0, 1);
    EXPECT_EQ(letters, u"IMCIALPH");
}

} // namespace
