// The add-in's tab: the generated customUI document is valid for Office, has the tree, ids and callbacks of
// the layout, and every control in it can be found again (the golden file: OutlookRibbonTextTests.cpp).
#include <gtest/gtest.h>

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlschemas.h>

#include <cstdlib>
#include <map>
#include <memory>
#include <set>
#include <vector>

#include "__Utilities/ErrorLog.h"
#include "addin/OutlookRibbon.h"
#include "controls/FakeRibbon.h"
#include "pal/host.h"
#include "support/TestPrefix.h"

using ribbon_fakes::FakeRibbonControl;
using ribbon_fakes::FakeRibbonUI;

namespace {

const char NS[] = "http://schemas.microsoft.com/office/2006/01/customui";

std::string Text(BSTR s)
{
    return pal::ToUtf8(std::basic_string_view<WCHAR>(s ? s : W(""), SysStringLen(s)));
}

std::string Attr(xmlNodePtr node, const char* name)
{
    xmlChar* value = xmlGetProp(node, reinterpret_cast<const xmlChar*>(name));
    std::string text = value ? reinterpret_cast<const char*>(value) : "";
    xmlFree(value);
    return text;
}

bool HasAttr(xmlNodePtr node, const char* name)
{
    return xmlHasProp(node, reinterpret_cast<const xmlChar*>(name)) != nullptr;
}

std::string Name(xmlNodePtr node) { return reinterpret_cast<const char*>(node->name); }

std::vector<xmlNodePtr> Children(xmlNodePtr node)
{
    std::vector<xmlNodePtr> children;
    for (xmlNodePtr child = node->children; child; child = child->next)
        if (child->type == XML_ELEMENT_NODE)
            children.push_back(child);
    return children;
}

std::string Tag(int id) { return "_Office_Addin_Ctrl_Tag_" + std::to_string(id); }

int IdOf(xmlNodePtr node)
{
    std::string id = Attr(node, "id");
    return id.rfind("_Office_Addin_Ctrl_Tag_", 0) == 0 ? std::atoi(id.c_str() + 23) : 0;
}

using Doc = std::unique_ptr<xmlDoc, decltype(&xmlFreeDoc)>;

Doc Parse(const std::string& xml)
{
    return Doc(xmlReadMemory(xml.data(), int(xml.size()), "ribbon.xml", nullptr, XML_PARSE_NONET), xmlFreeDoc);
}

void CollectError(void* messages, xmlErrorPtr error)
{
    if (error && error->message)
        *static_cast<std::string*>(messages) += error->message;
}

// Validates against the customUI schema subset; returns libxml2's count of errors (0: valid) and their
// texts in messages.
int SchemaErrors(const std::string& xml, std::string* messages = nullptr)
{
    std::string ignored;
    std::string xsd = testing_support::DataPath("customUI.xsd");
    xmlSchemaParserCtxtPtr parser = xmlSchemaNewParserCtxt(xsd.c_str());
    xmlSchemaPtr schema = xmlSchemaParse(parser);
    xmlSchemaFreeParserCtxt(parser);
    if (!schema)
        return -1;
    xmlSchemaValidCtxtPtr validator = xmlSchemaNewValidCtxt(schema);
    xmlSchemaSetValidStructuredErrors(validator, CollectError, messages ? messages : &ignored);
    Doc doc = Parse(xml);
    int result = doc ? xmlSchemaValidateDoc(validator, doc.get()) : -2;
    xmlSchemaFreeValidCtxt(validator);
    xmlSchemaFree(schema);
    return result;
}

class OutlookRibbon : public ::testing::Test {
protected:
    void SetUp() override
    {
        menusBefore = COfficeRibbon::GetMenuCount();
        xml = Text(ribbon.GetXML());
        doc = Parse(xml);
        ASSERT_TRUE(doc);
        xmlNodePtr customUI = xmlDocGetRootElement(doc.get());
        ASSERT_EQ("customUI", Name(customUI));
        ASSERT_EQ(1u, Children(customUI).size());
        xmlNodePtr ribbonNode = Children(customUI)[0];
        ASSERT_EQ(1u, Children(ribbonNode).size());
        xmlNodePtr tabs = Children(ribbonNode)[0];
        ASSERT_EQ(1u, Children(tabs).size());
        tab = Children(tabs)[0];
        groups = Children(tab);
        ASSERT_EQ(7u, groups.size());
    }

    // Every element of the tab with a control tag, by id.
    std::map<int, xmlNodePtr> ControlElements()
    {
        std::map<int, xmlNodePtr> all;
        std::vector<xmlNodePtr> pending{tab};
        while (!pending.empty()) {
            xmlNodePtr node = pending.back();
            pending.pop_back();
            if (int id = IdOf(node)) {
                EXPECT_EQ(0u, all.count(id)) << id;
                all[id] = node;
            }
            for (xmlNodePtr child : Children(node))
                pending.push_back(child);
        }
        return all;
    }

    int menusBefore = 0;
    COutlookRibbon ribbon;
    std::string xml;
    Doc doc{nullptr, xmlFreeDoc};
    xmlNodePtr tab = nullptr;
    std::vector<xmlNodePtr> groups;
};

} // namespace

TEST_F(OutlookRibbon, IsValidCustomUI)
{
    std::string messages;
    EXPECT_EQ(0, SchemaErrors(xml, &messages)) << messages;
    xmlNodePtr customUI = xmlDocGetRootElement(doc.get());
    ASSERT_NE(nullptr, customUI->ns);
    EXPECT_STREQ(NS, reinterpret_cast<const char*>(customUI->ns->href));
    EXPECT_EQ("OnLoadCB", Attr(customUI, "onLoad"));
    // The serialisation is MSXML's: no declaration, one line ending in CR LF.
    EXPECT_EQ(0u, xml.find("<customUI xmlns=\""));
    EXPECT_EQ(xml.size() - 2, xml.find("\r\n"));
}

TEST(CustomUISchema, RefusesWhatOfficeRefuses)
{
    const std::string head = std::string("<customUI xmlns=\"") + NS + "\"><ribbon><tabs><tab id=\"t\"><group id=\"g\">";
    const std::string tail = "</group></tab></tabs></ribbon></customUI>";
    const std::string button = "<button id=\"b\" onAction=\"OnActionCB\"/>";
    const std::string launcher = "<dialogBoxLauncher><button id=\"l\"/></dialogBoxLauncher>";
    std::string messages;
    EXPECT_EQ(0, SchemaErrors(head + button + launcher + tail, &messages)) << messages;
    EXPECT_GT(SchemaErrors(head + launcher + button + tail), 0) << "launcher not last";
    EXPECT_GT(SchemaErrors(head + "<button id=\"b\" size=\"huge\"/>" + tail), 0) << "bad size";
    EXPECT_GT(SchemaErrors(head + button + "<button id=\"b\"/>" + tail), 0) << "duplicate id";
    EXPECT_GT(SchemaErrors(head + "<button id=\"b\" getLable=\"GetLabelCB\"/>" + tail), 0) << "unknown attribute";
    EXPECT_GT(SchemaErrors(head + "<splitButton id=\"s\"><menu id=\"m\"/></splitButton>" + tail), 0)
        << "split button without its button";
    EXPECT_GT(SchemaErrors(head + "<splitButton id=\"s\"><button id=\"x\"/><menu id=\"m\"><button id=\"y\" "
                                  "size=\"large\"/></menu></splitButton>" + tail),
              0)
        << "sized button in a menu";
    EXPECT_GT(SchemaErrors("<customUI><ribbon/></customUI>"), 0) << "no namespace";
}

TEST_F(OutlookRibbon, HasTheTabAndSevenGroupsInOrder)
{
    EXPECT_EQ(Tag(1000), Attr(tab, "id"));
    EXPECT_EQ("ZI", Attr(tab, "keytip"));
    EXPECT_EQ("GetLabelCB", Attr(tab, "getLabel"));
    EXPECT_EQ("GetIsVisibleCB", Attr(tab, "getVisible"));
    const int ids[] = {1065, 1071, 1001, 1027, 1037, 1080, 1082};
    const char* keytips[] = {"ZM", "ZC", "ZI", "ZA", "ZL", "ZP", "ZH"};
    const char* labels[] = {"Message", "Content", "IP / Location", "Attachments", "Links", "Preferences", "Help"};
    for (size_t i = 0; i < 7; ++i) {
        SCOPED_TRACE(ids[i]);
        EXPECT_EQ("group", Name(groups[i]));
        EXPECT_EQ(Tag(ids[i]), Attr(groups[i], "id"));
        EXPECT_EQ(keytips[i], Attr(groups[i], "keytip"));
        COfficeRibbonControl* group = dynamic_cast<COfficeRibbonControl*>(ribbon.GetControl(ids[i]));
        ASSERT_NE(nullptr, group);
        EXPECT_EQ(labels[i], Text(group->GetLabel()));
    }
    EXPECT_EQ("Info", Text(ribbon.GetControl(1000)->GetLabel()));
}

TEST_F(OutlookRibbon, GroupsHoldTheirControlsInOrder)
{
    // Element and id of each child; splitButtons are checked in the next test.
    const std::vector<std::vector<std::pair<const char*, int>>> expected = {
        {{"button", 1066}, {"button", 1067}, {"button", 1068}, {"button", 1069}, {"button", 1070}},
        {{"labelControl", 1072}, {"labelControl", 1073}, {"labelControl", 1074}, {"separator", 1087},
         {"button", 1076}},
        {{"labelControl", 1002}, {"labelControl", 1003}, {"labelControl", 1004}, {"separator", 1088},
         {"splitButton", 1005}, {"splitButton", 1011}, {"splitButton", 1017}, {"button", 1023}, {"button", 1025},
         {"dialogBoxLauncher", 1026}},
        {{"button", 1028}, {"button", 1029}, {"button", 1030}, {"separator", 1089}, {"labelControl", 1031},
         {"labelControl", 1032}, {"labelControl", 1033}, {"button", 1034}, {"button", 1035},
         {"dialogBoxLauncher", 1036}},
        {{"gallery", 1038}, {"gallery", 1039}, {"gallery", 1040}, {"separator", 1090}, {"splitButton", 1041},
         {"splitButton", 1047}, {"splitButton", 1053}, {"button", 1062}, {"button", 1063},
         {"dialogBoxLauncher", 1064}},
        {{"button", 1081}},
        {{"button", 1083}, {"button", 1084}},
    };
    for (size_t g = 0; g < 7; ++g) {
        std::vector<xmlNodePtr> children = Children(groups[g]);
        ASSERT_EQ(expected[g].size(), children.size()) << "group " << g;
        for (size_t i = 0; i < children.size(); ++i) {
            SCOPED_TRACE(expected[g][i].second);
            EXPECT_EQ(expected[g][i].first, Name(children[i]));
            xmlNodePtr owner = Name(children[i]) == "dialogBoxLauncher" ? Children(children[i])[0] : children[i];
            EXPECT_EQ(expected[g][i].second, IdOf(owner));
        }
        // A launcher, when there is one, closes its group.
        for (size_t i = 0; i + 1 < children.size(); ++i)
            EXPECT_NE("dialogBoxLauncher", Name(children[i]));
    }
}

TEST_F(OutlookRibbon, SplitButtonsHoldAMainButtonAndAMenuOfFour)
{
    std::set<std::string> menuIds;
    int splits = 0;
    for (int first : {1005, 1011, 1017, 1041, 1047, 1053}) {
        SCOPED_TRACE(first);
        xmlNodePtr split = ControlElements().at(first);
        ASSERT_EQ("splitButton", Name(split));
        ++splits;
        EXPECT_EQ("true", Attr(split, "showLabel"));
        EXPECT_EQ("normal", Attr(split, "size"));
        EXPECT_EQ("GetIsEnabledCB", Attr(split, "getEnabled"));
        EXPECT_EQ("GetIsVisibleCB", Attr(split, "getVisible"));
        std::vector<xmlNodePtr> parts = Children(split);
        ASSERT_EQ(2u, parts.size());
        EXPECT_EQ("button", Name(parts[0]));
        EXPECT_EQ(first + 1, IdOf(parts[0]));
        EXPECT_EQ("GetIsVisibleCB", Attr(parts[0], "getVisible"));
        ASSERT_EQ("menu", Name(parts[1]));
        EXPECT_EQ("normal", Attr(parts[1], "itemSize"));
        menuIds.insert(Attr(parts[1], "id"));
        std::vector<xmlNodePtr> items = Children(parts[1]);
        ASSERT_EQ(4u, items.size());
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ("button", Name(items[i]));
            EXPECT_EQ(first + 2 + i, IdOf(items[i]));
            EXPECT_EQ("GetImageCB", Attr(items[i], "getImage"));
            EXPECT_FALSE(HasAttr(items[i], "getVisible"));
            EXPECT_FALSE(HasAttr(items[i], "size"));
        }
    }
    EXPECT_EQ(6, splits);
    // Six menus, numbered in creation order by the process-wide counter.
    std::set<std::string> expected;
    for (int i = 1; i <= 6; ++i)
        expected.insert("Office_Menu" + std::to_string(menusBefore + i));
    EXPECT_EQ(expected, menuIds);
}

TEST_F(OutlookRibbon, ButtonsDeclareCallbacksOnlyWhereTheLayoutSays)
{
    const std::set<int> large = {1069, 1070, 1076, 1081};
    const std::set<int> noImage = {1028, 1029, 1030, 1026, 1036, 1064};
    const std::set<int> visibleCallback = {1006, 1012, 1018, 1042, 1048, 1054};
    const std::set<int> unlabelled = {1066, 1067, 1068, 1023, 1025, 1034, 1035, 1062, 1063, 1026, 1036, 1064};
    int buttons = 0;
    for (const auto& [id, node] : ControlElements()) {
        if (Name(node) != "button")
            continue;
        SCOPED_TRACE(id);
        ++buttons;
        EXPECT_EQ("OnActionCB", Attr(node, "onAction"));
        EXPECT_EQ("GetIsEnabledCB", Attr(node, "getEnabled"));
        EXPECT_EQ("GetToolTipCB", Attr(node, "getScreentip"));
        EXPECT_EQ("GetSuperTipCB", Attr(node, "getSupertip"));
        EXPECT_EQ(large.count(id) ? "large" : "", Attr(node, "size"));
        EXPECT_EQ(noImage.count(id) == 0, HasAttr(node, "getImage"));
        EXPECT_EQ(noImage.count(id) == 0, HasAttr(node, "showImage"));
        EXPECT_EQ(visibleCallback.count(id) == 1, HasAttr(node, "getVisible"));
        // Placeholder labels of spaces count as labels: they reserve the room for the run-time text.
        EXPECT_EQ(unlabelled.count(id) == 0, HasAttr(node, "getLabel"));
        EXPECT_EQ(unlabelled.count(id) == 0, HasAttr(node, "showLabel"));
        EXPECT_FALSE(HasAttr(node, "keytip"));
    }
    EXPECT_EQ(5 + 1 + 6 * 5 + 2 + 1 + 3 + 2 + 1 + 2 + 1 + 1 + 2, buttons);
}

TEST_F(OutlookRibbon, FindsEveryControlByIdTagAndRibbonControl)
{
    std::map<int, xmlNodePtr> elements = ControlElements();
    for (const auto& [id, node] : elements) {
        SCOPED_TRACE(id);
        COfficeControlBase* control = ribbon.GetControl(id);
        ASSERT_NE(nullptr, control);
        EXPECT_EQ(id, control->ID());
        std::basic_string<WCHAR> tag = pal::ToWide(Attr(node, "id"));
        EXPECT_EQ(control, ribbon.GetControl(tag.c_str()));
        FakeRibbonControl fromOffice(tag.c_str());
        EXPECT_EQ(control, ribbon.GetControl(static_cast<IDispatch*>(&fromOffice)));
        EXPECT_EQ(0u, fromOffice.refs);
        EXPECT_NE(nullptr, dynamic_cast<COfficeRibbonControl*>(control));
    }
    // 1000 to 1090 but for the ids the layout leaves out (1085 and 1086 are only pictures).
    EXPECT_EQ(91u - 10u, elements.size());
    for (int unused : {1024, 1059, 1060, 1061, 1075, 1077, 1078, 1079, 1085, 1086})
        EXPECT_EQ(nullptr, ribbon.GetControl(unused)) << unused;
    for (int gallery : {1038, 1039, 1040})
        EXPECT_NE(nullptr, dynamic_cast<COfficeRibbonGallery*>(ribbon.GetControl(gallery)));
}

TEST_F(OutlookRibbon, ChangesReachOfficeOnlyOnceLoaded)
{
    FakeRibbonUI office;
    auto* status = dynamic_cast<COfficeRibbonButton*>(ribbon.GetControl(1076));
    ASSERT_NE(nullptr, status);
    status->SetImage(1110);
    EXPECT_EQ(S_OK, status->Show(false));
    EXPECT_EQ(0, office.calls);

    ribbon.SetRibbonPtr(&office);
    EXPECT_EQ(ULONG(ControlElements().size()), office.refs);
    office.ExpectInvalidate(W("_Office_Addin_Ctrl_Tag_1076"));
    status->SetImage(1111);
    status->SetImage(1111);
    office.ExpectInvalidate(W("_Office_Addin_Ctrl_Tag_1002"));
    dynamic_cast<COfficeRibbonControl*>(ribbon.GetControl(1002))->SetLabel(W("203.0.113.9"));
    CHECK_INVALIDATED(office);
    EXPECT_EQ(2, office.calls);

    ribbon.remove();
    EXPECT_EQ(0u, office.refs);
}
