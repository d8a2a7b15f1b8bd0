// The tab's layout. Labels, tips, images and states change at run time through the ribbon callbacks;
// this file fixes the tree, the ids, the sizes and which callbacks each control declares.
#include "addin/OutlookRibbon.h"
#include "addin/RibbonIds.h"

namespace {

const WCHAR CUSTOMUI_NAMESPACE[] = W("http://schemas.microsoft.com/office/2006/01/customui");

// createButton's flags, named for reading the layout.
constexpr bool IMAGE = true, NO_IMAGE = false;
constexpr bool LARGE = true, NORMAL = false;
constexpr bool VISIBLE_CB = true, NO_VISIBLE_CB = false;

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
    LAYOUT_NODE(spMsgText, createButton(spTextGroup, ID_MSG_TEXT, IMAGE, NORMAL, NO_VISIBLE_CB));
    LAYOUT_NODE(spMsgHTML, createButton(spTextGroup, ID_MSG_HTML, IMAGE, NORMAL, NO_VISIBLE_CB));
    LAYOUT_NODE(spMsgRTF, createButton(spTextGroup, ID_MSG_RTF, IMAGE, NORMAL, NO_VISIBLE_CB));
    LAYOUT_NODE(spDialogMsgHeader, createButton(spTextGroup, ID_MSG_HEADER, IMAGE, LARGE, NO_VISIBLE_CB));
    LAYOUT_NODE(spPlainTextButton, createButton(spTextGroup, ID_PLAIN_TEXT, IMAGE, LARGE, NO_VISIBLE_CB));
}

void COutlookRibbon::createContentGroup(IXMLDOMElement* spVantoraTab)
{
    LAYOUT_NODE(spContentGroup, createSimpleControl(spVantoraTab, SimpleControl::Group, ID_RIBBON_CONTENT_GROUP));
    LAYOUT_NODE(spEmailFrom, createSimpleControl(spContentGroup, SimpleControl::Label, ID_SENDER_FROM));
    LAYOUT_NODE(spEmailName, createSimpleControl(spContentGroup, SimpleControl::Label, ID_SENDER_NAME));
    LAYOUT_NODE(spEmail, createSimpleControl(spContentGroup, SimpleControl::Label, ID_SENDER_ADDRESS));
    LAYOUT_NODE(spSeparator, createSimpleControl(spContentGroup, SimpleControl::Separator, ID_CONTENT_SEPARATOR));
    LAYOUT_NODE(spStatusButton, createButton(spContentGroup, ID_STATUS, IMAGE, LARGE, NO_VISIBLE_CB));
}

// A row of the location groups: a split button whose main button shows only while the row has a record,
// and a menu of one button per provider.
void COutlookRibbon::createLocationRow(IXMLDOMElement* spGroup, int splitId, int mainId, int firstItemId)
{
    LAYOUT_NODE(spSplit, createSplitButton(spGroup, splitId));
    LAYOUT_NODE(spMainBtn, createButton(spSplit, mainId, IMAGE, NORMAL, VISIBLE_CB));
    LAYOUT_NODE(spMenu, createMenu(spSplit));
    for (int item = 0; item < MENU_ITEM_COUNT; ++item) {
        LAYOUT_NODE(spItem, createButton(spMenu, firstItemId + item, IMAGE, NORMAL, NO_VISIBLE_CB));
    }
}

void COutlookRibbon::createIPGroup(IXMLDOMElement* spVantoraTab)
{
    LAYOUT_NODE(spIPGroup, createSimpleControl(spVantoraTab, SimpleControl::Group, ID_RIBBON_IP_LOCATION_GROUP));
    for (int row = 0; row < ROW_COUNT; ++row) {
        LAYOUT_NODE(spAddress, createSimpleControl(spIPGroup, SimpleControl::Label, ID_IP_LABEL[row]));
    }
    LAYOUT_NODE(spSeparator, createSimpleControl(spIPGroup, SimpleControl::Separator, ID_IP_SEPARATOR));
    for (int row = 0; row < ROW_COUNT; ++row)
        createLocationRow(spIPGroup, ID_IP_SPLIT[row], ID_IP_MAIN[row], ID_IP_ITEM_FIRST[row]);
    LAYOUT_NODE(spScrollUp, createButton(spIPGroup, ID_IP_SCROLL_UP, IMAGE, NORMAL, NO_VISIBLE_CB));
    LAYOUT_NODE(spScrollDown, createButton(spIPGroup, ID_IP_SCROLL_DOWN, IMAGE, NORMAL, NO_VISIBLE_CB));
    LAYOUT_NODE(spLocationDlg, createDialogBoxLauncher(spIPGroup, ID_IP_LAUNCHER));
}

void COutlookRibbon::createAttachmentsGroup(IXMLDOMElement* spVantoraTab)
{
    LAYOUT_NODE(spAttachmentsGroup,
                createSimpleControl(spVantoraTab, SimpleControl::Group, ID_RIBBON_ATTACHMENTS_GROUP));
    for (int row = 0; row < ROW_COUNT; ++row) {
        LAYOUT_NODE(spAttachment, createButton(spAttachmentsGroup, ID_ATTACHMENT[row], NO_IMAGE, NORMAL, NO_VISIBLE_CB));
    }
    LAYOUT_NODE(spSeparator,
                createSimpleControl(spAttachmentsGroup, SimpleControl::Separator, ID_ATTACHMENT_SEPARATOR));
    for (int row = 0; row < ROW_COUNT; ++row) {
        LAYOUT_NODE(spExtension, createSimpleControl(spAttachmentsGroup, SimpleControl::Label, ID_ATTACHMENT_TYPE[row]));
    }
    LAYOUT_NODE(spScrollUp, createButton(spAttachmentsGroup, ID_ATTACHMENT_SCROLL_UP, IMAGE, NORMAL, NO_VISIBLE_CB));
    LAYOUT_NODE(spScrollDown,
                createButton(spAttachmentsGroup, ID_ATTACHMENT_SCROLL_DOWN, IMAGE, NORMAL, NO_VISIBLE_CB));
    LAYOUT_NODE(spAttachmentsDlg, createDialogBoxLauncher(spAttachmentsGroup, ID_ATTACHMENT_LAUNCHER));
}

void COutlookRibbon::createLinksGroup(IXMLDOMElement* spVantoraTab)
{
    LAYOUT_NODE(spLinksGroup, createSimpleControl(spVantoraTab, SimpleControl::Group, ID_RIBBON_LINKS_GROUP));
    for (int row = 0; row < ROW_COUNT; ++row) {
        LAYOUT_NODE(spLinkGallery, createGallery(spLinksGroup, ID_LINK_GALLERY[row]));
    }
    LAYOUT_NODE(spSeparator, createSimpleControl(spLinksGroup, SimpleControl::Separator, ID_LINK_SEPARATOR));
    for (int row = 0; row < ROW_COUNT; ++row)
        createLocationRow(spLinksGroup, ID_LINK_SPLIT[row], ID_LINK_MAIN[row], ID_LINK_ITEM_FIRST[row]);
    LAYOUT_NODE(spScrollUp, createButton(spLinksGroup, ID_LINK_SCROLL_UP, IMAGE, NORMAL, NO_VISIBLE_CB));
    LAYOUT_NODE(spScrollDown, createButton(spLinksGroup, ID_LINK_SCROLL_DOWN, IMAGE, NORMAL, NO_VISIBLE_CB));
    LAYOUT_NODE(spLinksDlg, createDialogBoxLauncher(spLinksGroup, ID_LINK_LAUNCHER));
}

void COutlookRibbon::createPreferencesGroup(IXMLDOMElement* spVantoraTab)
{
    LAYOUT_NODE(spPreferencesGroup,
                createSimpleControl(spVantoraTab, SimpleControl::Group, ID_RIBBON_PREFERENCES_GROUP));
    LAYOUT_NODE(spOptionsButton, createButton(spPreferencesGroup, ID_OPTIONS, IMAGE, LARGE, NO_VISIBLE_CB));
}

void COutlookRibbon::createHelpGroup(IXMLDOMElement* spVantoraTab)
{
    LAYOUT_NODE(spHelpGroup, createSimpleControl(spVantoraTab, SimpleControl::Group, ID_RIBBON_HELP_GROUP));
    LAYOUT_NODE(spHelpButton, createButton(spHelpGroup, ID_HELP, IMAGE, NORMAL, NO_VISIBLE_CB));
    LAYOUT_NODE(spAboutButton, createButton(spHelpGroup, ID_ABOUT, IMAGE, NORMAL, NO_VISIBLE_CB));
}
