// The customUI builder: the attributes each operation writes and their order, the menu counter, the
// control map behind the XML, lookups, and the hand-over of Office's IRibbonUI.
#include <gtest/gtest.h>

#include <functional>

#include "__Controls/OfficeRibbon.h"
#include "__Utilities/ErrorLog.h"
#include "controls/FakeRibbon.h"
#include "pal/host.h"
#include "support/Wine.h"
#include "support/TestUtil.h"

using ribbon_fakes::FakeDispatch;
using ribbon_fakes::FakeRibbonControl;
using ribbon_fakes::FakeRibbonUI;

namespace {

std::string Text(BSTR s)
{
    return pal::ToUtf8(std::basic_string_view<WCHAR>(s ? s : W(""), SysStringLen(s)));
}

std::string Xml(IXMLDOMNode* node)
{
    CComBSTR xml;
    EXPECT_EQ(S_OK, node->get_xml(&xml));
    return testing_support::WithoutWineIndentation(Text(xml));
}

using testing_support::ThrownCode;

bool LogContains(const std::string& text)
{
    return Text(CErrorLog::Instance().ReadAll()).find(text) != std::string::npos;
}

// A ribbon whose layout is given by the test; the builder operations are opened up for it.
class TestRibbon : public COfficeRibbon {
public:
    using COfficeRibbon::createButton;
    using COfficeRibbon::createDialogBoxLauncher;
    using COfficeRibbon::createGallery;
    using COfficeRibbon::createMenu;
    using COfficeRibbon::createSimpleControl;
    using COfficeRibbon::createSplitButton;
    using COfficeRibbon::SimpleControl;

    TestRibbon()
    {
        EXPECT_EQ(S_OK, m_document.CoCreateInstance(W("msxml.domdocument")));
        m_root = createElement(m_document, W("root"));
        appendChild(m_document, m_root);
    }

    void create() override
    {
        ++createCalls;
        if (layout)
            layout(*this, m_root);
        CComBSTR xml;
        EXPECT_EQ(S_OK, m_root->get_xml(&xml));
        if (!leaveEmpty)
            m_ribbonXML = xml;
    }

    IXMLDOMElement* Root() { return m_root; }
    size_t ControlCount() const { return m_controlsMap.size(); }

    std::function<void(TestRibbon&, IXMLDOMElement*)> layout;
    bool leaveEmpty = false;
    int createCalls = 0;

private:
    CComPtr<IXMLDOMDocument> m_document;
    CComPtr<IXMLDOMElement> m_root;
};

const char* const ID_1000 = "id=\"_Office_Addin_Ctrl_Tag_1000\"";

} // namespace

TEST(RibbonBuilder, SimpleControlsDeclareKeyTipLabelAndVisibility)
{
    TestRibbon ribbon;
    auto tab = ribbon.createSimpleControl(ribbon.Root(), TestRibbon::SimpleControl::Tab, 1000);
    EXPECT_EQ(std::string("<tab ") + ID_1000 + " keytip=\"ZI\" getLabel=\"GetLabelCB\" getVisible=\"GetIsVisibleCB\"/>",
              Xml(tab));
    auto group = ribbon.createSimpleControl(tab, TestRibbon::SimpleControl::Group, 1027);
    EXPECT_EQ("<group id=\"_Office_Addin_Ctrl_Tag_1027\" keytip=\"ZA\" getLabel=\"GetLabelCB\" "
              "getVisible=\"GetIsVisibleCB\"/>",
              Xml(group));
    auto label = ribbon.createSimpleControl(group, TestRibbon::SimpleControl::Label, 1031);
    EXPECT_EQ("<labelControl id=\"_Office_Addin_Ctrl_Tag_1031\" getLabel=\"GetLabelCB\" "
              "getVisible=\"GetIsVisibleCB\"/>",
              Xml(label));
    auto separator = ribbon.createSimpleControl(group, TestRibbon::SimpleControl::Separator, 1089);
    EXPECT_EQ("<separator id=\"_Office_Addin_Ctrl_Tag_1089\" getVisible=\"GetIsVisibleCB\"/>", Xml(separator));
    // Each node went under its parent, in order.
    EXPECT_EQ(4u, ribbon.ControlCount());
    EXPECT_NE(std::string::npos, Xml(ribbon.Root()).find("<labelControl id=\"_Office_Addin_Ctrl_Tag_1031\""));
}

TEST(RibbonBuilder, AGroupWithoutALabelHasNoKeyTip)
{
    TestRibbon ribbon;
    EXPECT_EQ(E_UNEXPECTED,
              ThrownCode([&] { ribbon.createSimpleControl(ribbon.Root(), TestRibbon::SimpleControl::Group, 1066); }));
    EXPECT_TRUE(LogContains("tabCaption"));
}

TEST(RibbonBuilder, ButtonsDeclareOnlyTheCallbacksTheirFlagsAsk)
{
    TestRibbon ribbon;
    // Image, large, a label from the string table.
    EXPECT_EQ("<button id=\"_Office_Addin_Ctrl_Tag_1069\" showImage=\"true\" size=\"large\" showLabel=\"true\" "
              "getLabel=\"GetLabelCB\" getScreentip=\"GetToolTipCB\" getSupertip=\"GetSuperTipCB\" "
              "onAction=\"OnActionCB\" getEnabled=\"GetIsEnabledCB\" getImage=\"GetImageCB\"/>",
              Xml(ribbon.createButton(ribbon.Root(), 1069, true, true, false)));
    // Image, no label, with the visibility callback.
    EXPECT_EQ("<button id=\"_Office_Addin_Ctrl_Tag_1066\" showImage=\"true\" getScreentip=\"GetToolTipCB\" "
              "getSupertip=\"GetSuperTipCB\" onAction=\"OnActionCB\" getEnabled=\"GetIsEnabledCB\" "
              "getImage=\"GetImageCB\" getVisible=\"GetIsVisibleCB\"/>",
              Xml(ribbon.createButton(ribbon.Root(), 1066, true, false, true)));
    // No image: large has no effect and no image callback is declared.
    EXPECT_EQ("<button id=\"_Office_Addin_Ctrl_Tag_1028\" showLabel=\"true\" getLabel=\"GetLabelCB\" "
              "getScreentip=\"GetToolTipCB\" getSupertip=\"GetSuperTipCB\" onAction=\"OnActionCB\" "
              "getEnabled=\"GetIsEnabledCB\"/>",
              Xml(ribbon.createButton(ribbon.Root(), 1028, false, true, false)));
    auto* large = dynamic_cast<COfficeRibbonButton*>(ribbon.GetControl(1069));
    ASSERT_NE(nullptr, large);
    EXPECT_TRUE(large->IsLarge());
    EXPECT_EQ(1069, large->GetImageId());
}

TEST(RibbonBuilder, SplitButtonsGalleriesAndLaunchers)
{
    TestRibbon ribbon;
    EXPECT_EQ("<splitButton id=\"_Office_Addin_Ctrl_Tag_1005\" showLabel=\"true\" size=\"normal\" "
              "getEnabled=\"GetIsEnabledCB\" getVisible=\"GetIsVisibleCB\"/>",
              Xml(ribbon.createSplitButton(ribbon.Root(), 1005)));
    EXPECT_NE(nullptr, dynamic_cast<COfficeRibbonButton*>(ribbon.GetControl(1005)));

    // The gallery's resource label is not empty, so it is shown first.
    EXPECT_EQ("<gallery showLabel=\"true\" getLabel=\"GetLabelCB\" id=\"_Office_Addin_Ctrl_Tag_1038\" "
              "columns=\"1\" getEnabled=\"GetIsEnabledCB\" getVisible=\"GetIsVisibleCB\" showImage=\"true\" "
              "size=\"normal\" getImage=\"GetImageCB\" getItemCount=\"GetItemCountCB\" "
              "getItemLabel=\"GetItemLabelCB\" showItemImage=\"true\" getItemImage=\"GetItemImageCB\" "
              "getItemHeight=\"GetItemHeightCB\" getItemWidth=\"GetItemWidthCB\" "
              "getItemScreentip=\"GetItemScreenTipCB\" getItemSupertip=\"GetItemSuperTipCB\"/>",
              Xml(ribbon.createGallery(ribbon.Root(), 1038)));
    EXPECT_NE(nullptr, dynamic_cast<COfficeRibbonGallery*>(ribbon.GetControl(1038)));
    // Without a label the gallery declares no label callback.
    EXPECT_EQ(0u, Xml(ribbon.createGallery(ribbon.Root(), 1066)).find(
                      "<gallery id=\"_Office_Addin_Ctrl_Tag_1066\" columns=\"1\""));

    EXPECT_EQ("<dialogBoxLauncher><button id=\"_Office_Addin_Ctrl_Tag_1026\" getScreentip=\"GetToolTipCB\" "
              "getSupertip=\"GetSuperTipCB\" onAction=\"OnActionCB\" getEnabled=\"GetIsEnabledCB\"/>"
              "</dialogBoxLauncher>",
              Xml(ribbon.createDialogBoxLauncher(ribbon.Root(), 1026)));
    EXPECT_NE(nullptr, dynamic_cast<COfficeRibbonButton*>(ribbon.GetControl(1026)));
}

TEST(RibbonBuilder, MenusAreNumberedAcrossBuilds)
{
    int before = COfficeRibbon::GetMenuCount();
    std::string first, second;
    {
        TestRibbon ribbon;
        first = Xml(ribbon.createMenu(ribbon.Root()));
        second = Xml(ribbon.createMenu(ribbon.Root()));
        // A menu has no control object.
        EXPECT_EQ(0u, ribbon.ControlCount());
    }
    EXPECT_EQ("<menu id=\"Office_Menu" + std::to_string(before + 1) + "\" itemSize=\"normal\"/>", first);
    EXPECT_EQ("<menu id=\"Office_Menu" + std::to_string(before + 2) + "\" itemSize=\"normal\"/>", second);
    TestRibbon another;
    EXPECT_EQ("<menu id=\"Office_Menu" + std::to_string(before + 3) + "\" itemSize=\"normal\"/>",
              Xml(another.createMenu(another.Root())));
    EXPECT_EQ(before + 3, COfficeRibbon::GetMenuCount());
}

TEST(RibbonBuilder, RejectsBadIdsAndParents)
{
    TestRibbon ribbon;
    IXMLDOMElement* root = ribbon.Root();
    using Kind = TestRibbon::SimpleControl;
    for (int id : {0, -1}) {
        EXPECT_EQ(E_INVALIDARG, ThrownCode([&] { ribbon.createSimpleControl(root, Kind::Label, id); }));
        EXPECT_EQ(E_INVALIDARG, ThrownCode([&] { ribbon.createButton(root, id, true, false, false); }));
        EXPECT_EQ(E_INVALIDARG, ThrownCode([&] { ribbon.createSplitButton(root, id); }));
        EXPECT_EQ(E_INVALIDARG, ThrownCode([&] { ribbon.createGallery(root, id); }));
        EXPECT_EQ(E_INVALIDARG, ThrownCode([&] { ribbon.createDialogBoxLauncher(root, id); }));
    }
    EXPECT_EQ(E_INVALIDARG, ThrownCode([&] { ribbon.createSimpleControl(nullptr, Kind::Tab, 1000); }));
    EXPECT_EQ(E_INVALIDARG, ThrownCode([&] { ribbon.createMenu(nullptr); }));
    EXPECT_EQ(E_INVALIDARG, ThrownCode([&] { ribbon.createButton(nullptr, 1066, true, false, false); }));
    EXPECT_EQ(E_INVALIDARG, ThrownCode([&] { ribbon.createGallery(nullptr, 1038); }));
    EXPECT_EQ("<root/>", Xml(root));
    EXPECT_EQ(0u, ribbon.ControlCount());
    EXPECT_TRUE(LogContains("\"pXMLRibbon\""));
    EXPECT_TRUE(LogContains("\"btnId > 0\""));

    // An id is entered once: a second control under it would be unreachable.
    ribbon.createButton(root, 1066, true, false, false);
    EXPECT_EQ(E_UNEXPECTED, ThrownCode([&] { ribbon.createButton(root, 1066, true, false, false); }));
    EXPECT_EQ(1u, ribbon.ControlCount());
}

TEST(RibbonContainer, BuildsTheXmlOnceAndKeepsIt)
{
    TestRibbon ribbon;
    ribbon.layout = [](TestRibbon& r, IXMLDOMElement* root) {
        r.createSimpleControl(root, TestRibbon::SimpleControl::Tab, 1000);
    };
    std::string xml = testing_support::WithoutWineIndentation(Text(ribbon.GetXML()));
    EXPECT_EQ(std::string("<root><tab ") + ID_1000 +
                  " keytip=\"ZI\" getLabel=\"GetLabelCB\" getVisible=\"GetIsVisibleCB\"/></root>",
              xml);
    EXPECT_EQ(xml, testing_support::WithoutWineIndentation(Text(ribbon.GetXML())));
    EXPECT_EQ(1, ribbon.createCalls);

    // After remove the controls and the XML are gone; the next GetXML builds again.
    ribbon.remove();
    EXPECT_EQ(nullptr, ribbon.GetControl(1000));
    ribbon.layout = nullptr;
    EXPECT_EQ("<root><tab " + std::string(ID_1000) +
                  " keytip=\"ZI\" getLabel=\"GetLabelCB\" getVisible=\"GetIsVisibleCB\"/></root>",
              testing_support::WithoutWineIndentation(Text(ribbon.GetXML())));
    EXPECT_EQ(2, ribbon.createCalls);
}

TEST(RibbonContainer, AFailedBuildLeavesNoXmlAndNoControls)
{
    TestRibbon ribbon;
    ribbon.layout = [](TestRibbon& r, IXMLDOMElement* root) {
        r.createSimpleControl(root, TestRibbon::SimpleControl::Tab, 1000);
        r.createSimpleControl(root, TestRibbon::SimpleControl::Group, 1066); // no label: fails
    };
    EXPECT_EQ(E_UNEXPECTED, ThrownCode([&] { ribbon.GetXML(); }));
    EXPECT_EQ(0u, ribbon.ControlCount());

    TestRibbon empty;
    empty.leaveEmpty = true;
    EXPECT_EQ(E_UNEXPECTED, ThrownCode([&] { empty.GetXML(); }));
    EXPECT_TRUE(LogContains("m_ribbonXML"));
}

TEST(RibbonContainer, FindsControlsByIdTagAndRibbonControl)
{
    TestRibbon ribbon;
    ribbon.createButton(ribbon.Root(), 1066, true, false, true);
    ribbon.createSimpleControl(ribbon.Root(), TestRibbon::SimpleControl::Label, 1002);
    COfficeControlBase* button = ribbon.GetControl(1066);
    ASSERT_NE(nullptr, button);
    EXPECT_EQ(1066, button->ID());
    EXPECT_EQ(nullptr, ribbon.GetControl(1067));
    EXPECT_EQ(E_INVALIDARG, ThrownCode([&] { ribbon.GetControl(0); }));

    EXPECT_EQ(button, ribbon.GetControl(W("_Office_Addin_Ctrl_Tag_1066")));
    EXPECT_EQ(nullptr, ribbon.GetControl(W("_office_addin_ctrl_tag_1066")));
    EXPECT_EQ(nullptr, ribbon.GetControl(W("_Office_Addin_Ctrl_Tag_106")));
    EXPECT_EQ(E_INVALIDARG, ThrownCode([&] { ribbon.GetControl(W("")); }));
    EXPECT_EQ(E_INVALIDARG, ThrownCode([&] { ribbon.GetControl(static_cast<const WCHAR*>(nullptr)); }));

    FakeRibbonControl control(W("_Office_Addin_Ctrl_Tag_1002"));
    EXPECT_EQ(ribbon.GetControl(1002), ribbon.GetControl(static_cast<IDispatch*>(&control)));
    EXPECT_EQ(1, control.idCalls);
    EXPECT_EQ(0u, control.refs);
    FakeRibbonControl unknown(W("Office_Menu1"));
    EXPECT_EQ(nullptr, ribbon.GetControl(static_cast<IDispatch*>(&unknown)));

    FakeRibbonControl noId(nullptr);
    EXPECT_EQ(E_UNEXPECTED, ThrownCode([&] { ribbon.GetControl(static_cast<IDispatch*>(&noId)); }));
    FakeDispatch notAControl;
    EXPECT_EQ(E_POINTER, ThrownCode([&] { ribbon.GetControl(static_cast<IDispatch*>(&notAControl)); }));
    EXPECT_EQ(0u, notAControl.refs);
    EXPECT_EQ(E_INVALIDARG, ThrownCode([&] { ribbon.GetControl(static_cast<IDispatch*>(nullptr)); }));
    EXPECT_TRUE(LogContains("\"spRibbonControl\""));
    EXPECT_TRUE(LogContains("buttonTag"));
}

TEST(RibbonContainer, HandsTheRibbonToEveryControl)
{
    FakeRibbonUI office;
    {
        TestRibbon ribbon;
        ribbon.createButton(ribbon.Root(), 1066, true, false, true);
        ribbon.createSimpleControl(ribbon.Root(), TestRibbon::SimpleControl::Label, 1002);
        ribbon.createGallery(ribbon.Root(), 1038);
        EXPECT_FALSE(ribbon.IsLoaded());
        EXPECT_EQ(E_INVALIDARG, ThrownCode([&] { ribbon.SetRibbonPtr(nullptr); }));
        EXPECT_FALSE(ribbon.IsLoaded());

        // Nothing is announced before the ribbon is loaded.
        auto* label = dynamic_cast<COfficeRibbonControl*>(ribbon.GetControl(1002));
        ASSERT_NE(nullptr, label);
        label->SetLabel(W("192.168.1.1"));
        EXPECT_EQ(0, office.calls);

        ribbon.SetRibbonPtr(&office);
        EXPECT_TRUE(ribbon.IsLoaded());
        EXPECT_EQ(3u, office.refs);

        office.ExpectInvalidate(W("_Office_Addin_Ctrl_Tag_1002"));
        label->SetLabel(W("10.1.1.1"));
        office.ExpectInvalidate(W("_Office_Addin_Ctrl_Tag_1038"));
        EXPECT_EQ(S_OK, dynamic_cast<COfficeRibbonControl*>(ribbon.GetControl(1038))->Enable(false));
        CHECK_INVALIDATED(office);
    }
    EXPECT_EQ(0u, office.refs);
}
