// The tab's layout. Labels, tips, images and states change at run time through the ribbon callbacks;
// this file fixes the tree, the ids, the sizes and which callbacks each control declares.
#include "addin/OutlookRibbon.h"
#include "addin/RibbonIds.h"

namespace {

const WCHAR CUSTOMUI_NAMESPACE[] = W("http://schemas.microsoft.com/office/2006/01/customui");

// createButton's flags, named for reading the layout.
constexpr bool IMAGE = true, NO_IMAGE = false;
constexpr bool LARGE = true, NORMAL = false;
constexpr bool VISIBLE_CB = false, NO_VISIBLE_CB = true;

} // namespace

// Creates a node of the layout and asserts it under its own name.
#define LAYOUT_NODE(name, creation)                                        \
    CComPtr<IXMLDOMElement> name = (creation);                             \
    VTR_CHECK(name, E_POINTER)

void COutlookRibbon::create()
{
    try {
        VTR_CHECK(m_controlsMap.empty(), E_UNEXPECTED);
        VTR_CHECK_TEXT(m_ribbonXML.Length() == 0, "m_ribbonXML.length() <= 0", E_UNEXPECTED);

        CComPtr<IXMLDOMDocument> spXMLRibbon;
        HRESULT hr = spXMLRibbon.CoCreateInstance(W("msxml.domdocument"));
        if (hr != E_NOINTERFACE)
            VTR_CHECK_HR(hr);
        VTR_CHECK(spXMLRibbon, E_POINTER);

        CComPtr<IXMLDOMElement> spXMLCustomUINode = createElement(spXMLRibbon, W("customUI"));
        VTR_CHECK(spXMLCustomUINode, E_POINTER);
        setAttribute(spXMLCustomUINode, W("xmlns"), CUSTOMUI_NAMESPACE);
        setAttribute(spXMLCustomUINode, W("onLoad"), W("OnLoadCB"));
        CComPtr<IXMLDOMElement> spXMLRibbonNode = createElement(spXMLRibbon, W("ribbon"));
        VTR_CHECK(spXMLRibbonNode, E_POINTER);
        CComPtr<IXMLDOMElement> spXMLTabsNode = createElement(spXMLRibbon, W("tabs"));
        VTR_CHECK(spXMLTabsNode, E_POINTER);

        LAYOUT_NODE(spVantoraTab, createSimpleControl(spXMLTabsNode, SimpleControl::Tab, ID_RIBBON_TAB));
        createTextGroup(spVantoraTab);
        createContentGroup(spVantoraTab);
        createIPGroup(spVantoraTab);
        createAttachmentsGroup(spVantoraTab);
        createLinksGroup(spVantoraTab);
        createPreferencesGroup(spVantoraTab);
        createHelpGroup(spVantoraTab);

        appendChild(spXMLTabsNode, spVantoraTab);
        appendChild(spXMLRibbonNode, spXMLTabsNode);
        appendChild(spXMLCustomUINode, spXMLRibbonNode);
        appendChild(spXMLRibbon, spXMLCustomUINode);

        CComBSTR ribbonXML;
        hr = spXMLRibbon->get_xml(&ribbonXML);
        if (FAILED(hr))
            _com_issue_errorex(hr, spXMLRibbon, __uuidof(IXMLDOMDocument));
        m_ribbonXML.Attach(ribbonXML.Detach());
    }
    VTR_CATCH_RETHROW
}

void COutlookRibbon::createTextGroup(IXMLDOMElement* spVantoraTab)
{
    LAYOUT_NODE(spTextGroup, createSimpleControl(spVantoraTab, SimpleControl::Group, ID_RIBBON_TEXT_GROUP));
    LAYOUT_NODE(spMsgText, createButton(spTextGroup, 1066, IMAGE, NORMAL, NO_VISIBLE_CB));
    LAYOUT_NODE(spMsgHTML, createButton(spTextGroup, 1067, IMAGE, NORMAL, NO_VISIBLE_CB));
    LAYOUT_NODE(spMsgRTF, createButton(spTextGroup, 1068, IMAGE, NORMAL, NO_VISIBLE_CB));
    LAYOUT_NODE(spDialogMsgHeader, createButton(spTextGroup, 1069, IMAGE, LARGE, NO_VISIBLE_CB));
    LAYOUT_NODE(spPlainTextButton, createButton(spTextGroup, 1070, IMAGE, LARGE, NO_VISIBLE_CB));
}

void COutlookRibbon::createContentGroup(IXMLDOMElement* spVantoraTab)
{
    LAYOUT_NODE(spContentGroup, createSimpleControl(spVantoraTab, SimpleControl::Group, ID_RIBBON_CONTENT_GROUP));
    LAYOUT_NODE(spEmailFrom, createSimpleControl(spContentGroup, SimpleControl::Label, 1072));
    LAYOUT_NODE(spEmailName, createSimpleControl(spContentGroup, SimpleControl::Label, 1073));
    LAYOUT_NODE(spEmail, createSimpleControl(spContentGroup, SimpleControl::Label, 1074));
    LAYOUT_NODE(spSeparator0, createSimpleControl(spContentGroup, SimpleControl::Separator, 1087));
    LAYOUT_NODE(spStatusButton, createButton(spContentGroup, 1076, IMAGE, LARGE, NO_VISIBLE_CB));
}

void COutlookRibbon::createIPGroup(IXMLDOMElement* spVantoraTab)
{
    LAYOUT_NODE(spIPGroup, createSimpleControl(spVantoraTab, SimpleControl::Group, ID_RIBBON_IP_LOCATION_GROUP));
    LAYOUT_NODE(spIP_1, createSimpleControl(spIPGroup, SimpleControl::Label, 1002));
    LAYOUT_NODE(spIP_2, createSimpleControl(spIPGroup, SimpleControl::Label, 1003));
    LAYOUT_NODE(spIP_3, createSimpleControl(spIPGroup, SimpleControl::Label, 1004));
    LAYOUT_NODE(spSeparator1, createSimpleControl(spIPGroup, SimpleControl::Separator, 1088));

    LAYOUT_NODE(spLocSplit_1, createSplitButton(spIPGroup, 1005));
    LAYOUT_NODE(spLocMainBtn_1, createButton(spLocSplit_1, 1006, IMAGE, NORMAL, VISIBLE_CB));
    LAYOUT_NODE(spLocMenu_1, createMenu(spLocSplit_1));
    LAYOUT_NODE(spLocBtn_1_1, createButton(spLocMenu_1, 1007, IMAGE, NORMAL, NO_VISIBLE_CB));
    LAYOUT_NODE(spLocBtn_1_2, createButton(spLocMenu_1, 1008, IMAGE, NORMAL, NO_VISIBLE_CB));
    LAYOUT_NODE(spLocBtn_1_3, createButton(spLocMenu_1, 1009, IMAGE, NORMAL, NO_VISIBLE_CB));
    LAYOUT_NODE(spLocBtn_1_4, createButton(spLocMenu_1, 1010, IMAGE, NORMAL, NO_VISIBLE_CB));

    LAYOUT_NODE(spLocSplit_2, createSplitButton(spIPGroup, 1011));
    LAYOUT_NODE(spLocMainBtn_2, createButton(spLocSplit_2, 1012, IMAGE, NORMAL, VISIBLE_CB));
    LAYOUT_NODE(spLocMenu_2, createMenu(spLocSplit_2));
    LAYOUT_NODE(spLocBtn_2_1, createButton(spLocMenu_2, 1013, IMAGE, NORMAL, NO_VISIBLE_CB));
    LAYOUT_NODE(spLocBtn_2_2, createButton(spLocMenu_2, 1014, IMAGE, NORMAL, NO_VISIBLE_CB));
    LAYOUT_NODE(spLocBtn_2_3, createButton(spLocMenu_2, 1015, IMAGE, NORMAL, NO_VISIBLE_CB));
    LAYOUT_NODE(spLocBtn_2_4, createButton(spLocMenu_2, 1016, IMAGE, NORMAL, NO_VISIBLE_CB));

    LAYOUT_NODE(spLocSplit_3, createSplitButton(spIPGroup, 1017));
    LAYOUT_NODE(spLocMainBtn_3, createButton(spLocSplit_3, 1018, IMAGE, NORMAL, VISIBLE_CB));
    LAYOUT_NODE(spLocMenu_3, createMenu(spLocSplit_3));
    LAYOUT_NODE(spLocBtn_3_1, createButton(spLocMenu_3, 1019, IMAGE, NORMAL, NO_VISIBLE_CB));
    LAYOUT_NODE(spLocBtn_3_2, createButton(spLocMenu_3, 1020, IMAGE, NORMAL, NO_VISIBLE_CB));
    LAYOUT_NODE(spLocBtn_3_3, createButton(spLocMenu_3, 1021, IMAGE, NORMAL, NO_VISIBLE_CB));
    LAYOUT_NODE(spLocBtn_3_4, createButton(spLocMenu_3, 1022, IMAGE, NORMAL, NO_VISIBLE_CB));

    LAYOUT_NODE(spIP_ScrollUp, createButton(spIPGroup, 1023, IMAGE, NORMAL, NO_VISIBLE_CB));
    LAYOUT_NODE(spIP_ScrollDown, createButton(spIPGroup, 1025, IMAGE, NORMAL, NO_VISIBLE_CB));
    LAYOUT_NODE(spIP_LocationDlg, createDialogBoxLauncher(spIPGroup, 1026));
}

void COutlookRibbon::createAttachmentsGroup(IXMLDOMElement* spVantoraTab)
{
    LAYOUT_NODE(spAttachmentsGroup,
                createSimpleControl(spVantoraTab, SimpleControl::Group, ID_RIBBON_ATTACHMENTS_GROUP));
    LAYOUT_NODE(spAttachment_1, createButton(spAttachmentsGroup, 1028, NO_IMAGE, NORMAL, NO_VISIBLE_CB));
    LAYOUT_NODE(spAttachment_2, createButton(spAttachmentsGroup, 1029, NO_IMAGE, NORMAL, NO_VISIBLE_CB));
    LAYOUT_NODE(spAttachment_3, createButton(spAttachmentsGroup, 1030, NO_IMAGE, NORMAL, NO_VISIBLE_CB));
    LAYOUT_NODE(spSeparator2, createSimpleControl(spAttachmentsGroup, SimpleControl::Separator, 1089));
    LAYOUT_NODE(spExtension_1, createSimpleControl(spAttachmentsGroup, SimpleControl::Label, 1031));
    LAYOUT_NODE(spExtension_2, createSimpleControl(spAttachmentsGroup, SimpleControl::Label, 1032));
    LAYOUT_NODE(spExtension_3, createSimpleControl(spAttachmentsGroup, SimpleControl::Label, 1033));
    LAYOUT_NODE(spAttachment_ScrollUp, createButton(spAttachmentsGroup, 1034, IMAGE, NORMAL, NO_VISIBLE_CB));
    LAYOUT_NODE(spAttachment_ScrollDown, createButton(spAttachmentsGroup, 1035, IMAGE, NORMAL, NO_VISIBLE_CB));
    LAYOUT_NODE(spAttachmentsDlg, createDialogBoxLauncher(spAttachmentsGroup, 1036));
}

void COutlookRibbon::createLinksGroup(IXMLDOMElement* spVantoraTab)
{
    LAYOUT_NODE(spLinksGroup, createSimpleControl(spVantoraTab, SimpleControl::Group, ID_RIBBON_LINKS_GROUP));
    LAYOUT_NODE(spLinkGallery_1, createGallery(spLinksGroup, 1038));
    LAYOUT_NODE(spLinkGallery_2, createGallery(spLinksGroup, 1039));
    LAYOUT_NODE(spLinkGallery_3, createGallery(spLinksGroup, 1040));
    LAYOUT_NODE(spSeparator3, createSimpleControl(spLinksGroup, SimpleControl::Separator, 1090));

    LAYOUT_NODE(spLinkLocSplit_1, createSplitButton(spLinksGroup, 1041));
    LAYOUT_NODE(spLinkLocMainBtn_1, createButton(spLinkLocSplit_1, 1042, IMAGE, NORMAL, VISIBLE_CB));
    LAYOUT_NODE(spLinkLocMenu_1, createMenu(spLinkLocSplit_1));
    LAYOUT_NODE(spLinkLocBtn_1_1, createButton(spLinkLocMenu_1, 1043, IMAGE, NORMAL, NO_VISIBLE_CB));
    LAYOUT_NODE(spLinkLocBtn_1_2, createButton(spLinkLocMenu_1, 1044, IMAGE, NORMAL, NO_VISIBLE_CB));
    LAYOUT_NODE(spLinkLocBtn_1_3, createButton(spLinkLocMenu_1, 1045, IMAGE, NORMAL, NO_VISIBLE_CB));
    LAYOUT_NODE(spLinkLocBtn_1_4, createButton(spLinkLocMenu_1, 1046, IMAGE, NORMAL, NO_VISIBLE_CB));

    LAYOUT_NODE(spLinkLocSplit_2, createSplitButton(spLinksGroup, 1047));
    LAYOUT_NODE(spLinkLocMainBtn_2, createButton(spLinkLocSplit_2, 1048, IMAGE, NORMAL, VISIBLE_CB));
    LAYOUT_NODE(spLinkLocMenu_2, createMenu(spLinkLocSplit_2));
    LAYOUT_NODE(spLinkLocBtn_2_1, createButton(spLinkLocMenu_2, 1049, IMAGE, NORMAL, NO_VISIBLE_CB));
    LAYOUT_NODE(spLinkLocBtn_2_2, createButton(spLinkLocMenu_2, 1050, IMAGE, NORMAL, NO_VISIBLE_CB));
    LAYOUT_NODE(spLinkLocBtn_2_3, createButton(spLinkLocMenu_2, 1051, IMAGE, NORMAL, NO_VISIBLE_CB));
    LAYOUT_NODE(spLinkLocBtn_2_4, createButton(spLinkLocMenu_2, 1052, IMAGE, NORMAL, NO_VISIBLE_CB));

    LAYOUT_NODE(spLinkLocSplit_3, createSplitButton(spLinksGroup, 1053));
    LAYOUT_NODE(spLinkLocMainBtn_3, createButton(spLinkLocSplit_3, 1054, IMAGE, NORMAL, VISIBLE_CB));
    LAYOUT_NODE(spLinkLocMenu_3, createMenu(spLinkLocSplit_3));
    LAYOUT_NODE(spLinkLocBtn_3_1, createButton(spLinkLocMenu_3, 1055, IMAGE, NORMAL, NO_VISIBLE_CB));
    LAYOUT_NODE(spLinkLocBtn_3_2, createButton(spLinkLocMenu_3, 1056, IMAGE, NORMAL, NO_VISIBLE_CB));
    LAYOUT_NODE(spLinkLocBtn_3_3, createButton(spLinkLocMenu_3, 1057, IMAGE, NORMAL, NO_VISIBLE_CB));
    LAYOUT_NODE(spLinkLocBtn_3_4, createButton(spLinkLocMenu_3, 1058, IMAGE, NORMAL, NO_VISIBLE_CB));

    LAYOUT_NODE(spLinks_ScrollUp, createButton(spLinksGroup, 1062, IMAGE, NORMAL, NO_VISIBLE_CB));
    LAYOUT_NODE(spLinks_ScrollDown, createButton(spLinksGroup, 1063, IMAGE, NORMAL, NO_VISIBLE_CB));
    LAYOUT_NODE(spLinksDlg, createDialogBoxLauncher(spLinksGroup, 1064));
}

void COutlookRibbon::createPreferencesGroup(IXMLDOMElement* spVantoraTab)
{
    LAYOUT_NODE(spPreferencesGroup,
                createSimpleControl(spVantoraTab, SimpleControl::Group, ID_RIBBON_PREFERENCES_GROUP));
    LAYOUT_NODE(spOptionsButton, createButton(spPreferencesGroup, 1081, IMAGE, LARGE, NO_VISIBLE_CB));
}

void COutlookRibbon::createHelpGroup(IXMLDOMElement* spVantoraTab)
{
    LAYOUT_NODE(spHelpGroup, createSimpleControl(spVantoraTab, SimpleControl::Group, ID_RIBBON_HELP_GROUP));
    LAYOUT_NODE(spHelpButton, createButton(spHelpGroup, 1083, IMAGE, NORMAL, NO_VISIBLE_CB));
    LAYOUT_NODE(spAboutButton, createButton(spHelpGroup, 1084, IMAGE, NORMAL, NO_VISIBLE_CB));
}
