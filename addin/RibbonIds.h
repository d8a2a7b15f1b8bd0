// The ids of the tab's controls. Each id is also the control's
// string table entry (label; id + 100 screen tip; id + 200 super tip) and, for buttons, its first image.
#pragma once

constexpr int ID_RIBBON_TAB = 1000;
constexpr int ID_RIBBON_IP_LOCATION_GROUP = 1001;
constexpr int ID_RIBBON_ATTACHMENTS_GROUP = 1027;
constexpr int ID_RIBBON_LINKS_GROUP = 1037;
constexpr int ID_RIBBON_TEXT_GROUP = 1065;
constexpr int ID_RIBBON_CONTENT_GROUP = 1071;
constexpr int ID_RIBBON_PREFERENCES_GROUP = 1080;
constexpr int ID_RIBBON_HELP_GROUP = 1082;

// Text group.
constexpr int ID_MSG_TEXT = 1066;
constexpr int ID_MSG_HTML = 1067;
constexpr int ID_MSG_RTF = 1068;
constexpr int ID_MSG_HEADER = 1069;
constexpr int ID_PLAIN_TEXT = 1070;

// Content group.
constexpr int ID_SENDER_FROM = 1072;
constexpr int ID_SENDER_NAME = 1073;
constexpr int ID_SENDER_ADDRESS = 1074;
constexpr int ID_STATUS = 1076;
constexpr int ID_CONTENT_SEPARATOR = 1087;

// Preferences and help groups.
constexpr int ID_OPTIONS = 1081;
constexpr int ID_HELP = 1083;
constexpr int ID_ABOUT = 1084;

// The three rows of the IP location group.
constexpr int ID_IP_LABEL[3] = {1002, 1003, 1004};
constexpr int ID_IP_SPLIT[3] = {1005, 1011, 1017};
constexpr int ID_IP_MAIN[3] = {1006, 1012, 1018};
constexpr int ID_IP_ITEM_FIRST[3] = {1007, 1013, 1019}; // four items each
constexpr int ID_IP_SCROLL_UP = 1023;
constexpr int ID_IP_SCROLL_DOWN = 1025;
constexpr int ID_IP_LAUNCHER = 1026;
constexpr int ID_IP_SEPARATOR = 1088;

// The three rows of the attachments group.
constexpr int ID_ATTACHMENT[3] = {1028, 1029, 1030};
constexpr int ID_ATTACHMENT_TYPE[3] = {1031, 1032, 1033};
constexpr int ID_ATTACHMENT_SCROLL_UP = 1034;
constexpr int ID_ATTACHMENT_SCROLL_DOWN = 1035;
constexpr int ID_ATTACHMENT_LAUNCHER = 1036;
constexpr int ID_ATTACHMENT_SEPARATOR = 1089;

// The three rows of the links group.
constexpr int ID_LINK_GALLERY[3] = {1038, 1039, 1040};
constexpr int ID_LINK_SPLIT[3] = {1041, 1047, 1053};
constexpr int ID_LINK_MAIN[3] = {1042, 1048, 1054};
constexpr int ID_LINK_ITEM_FIRST[3] = {1043, 1049, 1055}; // four items each
constexpr int ID_LINK_SCROLL_UP = 1062;
constexpr int ID_LINK_SCROLL_DOWN = 1063;
constexpr int ID_LINK_LAUNCHER = 1064;
constexpr int ID_LINK_SEPARATOR = 1090;

constexpr int ROW_COUNT = 3;
constexpr int MENU_ITEM_COUNT = 4;
