// The customUI builder and the ribbon-side lookups.
#include "__Controls/OfficeRibbon.h"

namespace {

// The callbacks of the add-in's IRibbonCallback dispatch interface that the XML names.
const WCHAR CB_ACTION[] = W("OnActionCB");
const WCHAR CB_IMAGE[] = W("GetImageCB");
const WCHAR CB_LABEL[] = W("GetLabelCB");
const WCHAR CB_TOOLTIP[] = W("GetToolTipCB");
const WCHAR CB_SUPERTIP[] = W("GetSuperTipCB");
const WCHAR CB_VISIBLE[] = W("GetIsVisibleCB");
const WCHAR CB_ENABLED[] = W("GetIsEnabledCB");
const WCHAR CB_ITEM_COUNT[] = W("GetItemCountCB");
const WCHAR CB_ITEM_HEIGHT[] = W("GetItemHeightCB");
const WCHAR CB_ITEM_WIDTH[] = W("GetItemWidthCB");
const WCHAR CB_ITEM_LABEL[] = W("GetItemLabelCB");
const WCHAR CB_ITEM_IMAGE[] = W("GetItemImageCB");
const WCHAR CB_ITEM_SCREENTIP[] = W("GetItemScreenTipCB");
const WCHAR CB_ITEM_SUPERTIP[] = W("GetItemSuperTipCB");

const WCHAR TRUE_TEXT[] = W("true");
const WCHAR NORMAL_SIZE[] = W("normal");

int g_menuCount = 0;

void CheckDom(HRESULT hr, IUnknown* pObject, REFIID riid)
{
    if (FAILED(hr))
        _com_issue_errorex(hr, pObject, riid);
}

} // namespace

COfficeRibbon::~COfficeRibbon()
{
    COfficeRibbon::remove();
    m_loaded = false;
    m_loadedRibbons.clear();
}

int COfficeRibbon::GetMenuCount() noexcept
{
    return g_menuCount;
}

void COfficeRibbon::remove()
{
    COfficeCommandBarBase::remove();
    m_ribbonXML.Empty();
}

COfficeControlBase* COfficeRibbon::GetControl(IDispatch* pRibbonControl)
{
    try {
        VTR_CHECK_QUOTED(pRibbonControl, E_INVALIDARG);
        CComQIPtr<IRibbonControl> spRibbonControl(static_cast<IUnknown*>(pRibbonControl));
        VTR_CHECK_QUOTED(spRibbonControl, E_POINTER);
        CComBSTR buttonTag;
        VTR_CHECK_HR(spRibbonControl->get_Id(&buttonTag));
        VTR_CHECK_TEXT(buttonTag.Length() > 0, "buttonTag", E_UNEXPECTED);
        return GetControl(static_cast<const WCHAR*>(buttonTag.m_str));
    }
    VTR_CATCH_RETHROW
}

BSTR COfficeRibbon::GetXML()
{
    try {
        if (m_ribbonXML.Length() == 0) {
            try {
                create();
            } catch (...) {
                // Controls of a half-built layout exist in no XML that Office has; drop them.
                remove();
                throw;
            }
        }
        VTR_CHECK_TEXT(m_ribbonXML.Length() > 0, "m_ribbonXML", E_UNEXPECTED);
        return m_ribbonXML;
    }
    VTR_CATCH_RETHROW
}

void COfficeRibbon::SetRibbonPtr(IRibbonUI* pRibbonUI)
{
    try {
        VTR_CHECK_QUOTED(pRibbonUI, E_INVALIDARG);
        m_loaded = true;
        for (const auto& entry : m_controlsMap) {
            auto* pRibbonCtrl = dynamic_cast<COfficeRibbonControl*>(entry.second.get());
            VTR_CHECK_QUOTED(pRibbonCtrl, E_POINTER);
            pRibbonCtrl->SetRibbonPtr(pRibbonUI);
        }
    }
    VTR_CATCH_RETHROW
}

void COfficeRibbon::AddRibbonPtr(const WCHAR* pRibbonId, IRibbonUI* pRibbonUI)
{
    try {
        VTR_CHECK_QUOTED(pRibbonId, E_INVALIDARG);
        VTR_CHECK_QUOTED(pRibbonUI, E_INVALIDARG);
        WString ribbonId(pRibbonId);
        bool found = false;
        for (LoadedRibbon& loaded : m_loadedRibbons)
            if (_wcsicmp(loaded.ribbonId.c_str(), pRibbonId) == 0) {
                loaded.spRibbonUI = pRibbonUI;
                found = true;
            }
        if (!found)
            m_loadedRibbons.push_back({ribbonId, pRibbonUI});
        // A ribbon loaded again (a new window of the kind in use) takes over the announcements.
        if (m_usedRibbonId.empty() || _wcsicmp(m_usedRibbonId.c_str(), pRibbonId) == 0) {
            m_usedRibbonId = ribbonId;
            SetRibbonPtr(pRibbonUI);
        }
    }
    VTR_CATCH_RETHROW
}

bool COfficeRibbon::IsLoaded(const WCHAR* pRibbonId) const
{
    for (const LoadedRibbon& loaded : m_loadedRibbons)
        if (pRibbonId && _wcsicmp(loaded.ribbonId.c_str(), pRibbonId) == 0)
            return true;
    return false;
}

bool COfficeRibbon::UseRibbon(const WCHAR* pRibbonId)
{
    try {
        VTR_CHECK_QUOTED(pRibbonId, E_INVALIDARG);
        for (LoadedRibbon& loaded : m_loadedRibbons) {
            if (_wcsicmp(loaded.ribbonId.c_str(), pRibbonId) != 0)
                continue;
            if (_wcsicmp(m_usedRibbonId.c_str(), pRibbonId) != 0) {
                m_usedRibbonId = loaded.ribbonId;
                SetRibbonPtr(loaded.spRibbonUI);
                VTR_CHECK_HR(loaded.spRibbonUI->Invalidate());
            }
            return true;
        }
        return false;
    }
    VTR_CATCH_RETHROW
}

CComPtr<IXMLDOMElement> COfficeRibbon::createElement(IXMLDOMDocument* pDocument, const WCHAR* name)
{
    CComPtr<IXMLDOMElement> spElement;
    CComBSTR tagName(name);
    CheckDom(pDocument->createElement(tagName, &spElement), pDocument, __uuidof(IXMLDOMDocument));
    return spElement;
}

void COfficeRibbon::appendChild(IXMLDOMNode* pParent, IXMLDOMNode* pChild)
{
    CComPtr<IXMLDOMNode> spAppended;
    CheckDom(pParent->appendChild(pChild, &spAppended), pParent, __uuidof(IXMLDOMNode));
}

void COfficeRibbon::setAttribute(IXMLDOMElement* pElement, const WCHAR* name, const WCHAR* value)
{
    CComBSTR attributeName(name);
    CComVariant attributeValue(value);
    CheckDom(pElement->setAttribute(attributeName, attributeValue), pElement, __uuidof(IXMLDOMElement));
}

CComPtr<IXMLDOMElement> COfficeRibbon::appendElement(IXMLDOMElement* pXMLRibbon, const WCHAR* name)
{
    VTR_CHECK_QUOTED(pXMLRibbon, E_INVALIDARG);
    CComPtr<IXMLDOMDocument> spDocument;
    CheckDom(pXMLRibbon->get_ownerDocument(&spDocument), pXMLRibbon, __uuidof(IXMLDOMNode));
    VTR_CHECK_QUOTED(spDocument, E_POINTER);
    CComPtr<IXMLDOMElement> spElement = createElement(spDocument, name);
    if (spElement)
        appendChild(pXMLRibbon, spElement);
    return spElement;
}

CComPtr<IXMLDOMElement> COfficeRibbon::createSimpleControl(IXMLDOMElement* pXMLRibbon, SimpleControl kind, int ctrlId)
{
    VTR_CHECK_QUOTED(pXMLRibbon, E_INVALIDARG);
    VTR_CHECK_QUOTED(ctrlId > 0, E_INVALIDARG);
    const WCHAR* name = kind == SimpleControl::Tab     ? W("tab")
                        : kind == SimpleControl::Group ? W("group")
                        : kind == SimpleControl::Label ? W("labelControl")
                                                       : W("separator");
    CComPtr<IXMLDOMElement> spXMLCtrlNode = appendElement(pXMLRibbon, name);
    VTR_CHECK_QUOTED(spXMLCtrlNode, E_POINTER);
    bool withKeyTip = kind == SimpleControl::Tab || kind == SimpleControl::Group;
    bool withLabel = kind != SimpleControl::Separator;
    initControl(spXMLCtrlNode, std::make_unique<COfficeRibbonControl>(ctrlId), withKeyTip, withLabel);
    return spXMLCtrlNode;
}

CComPtr<IXMLDOMElement> COfficeRibbon::createMenu(IXMLDOMElement* pXMLRibbon)
{
    VTR_CHECK_QUOTED(pXMLRibbon, E_INVALIDARG);
    CComPtr<IXMLDOMElement> spXMLMenu = appendElement(pXMLRibbon, W("menu"));
    VTR_CHECK_QUOTED(spXMLMenu, E_POINTER);
    CComVariant number(++g_menuCount, VT_INT);
    VTR_CHECK_HR(number.ChangeType(VT_BSTR));
    CComBSTR menuId(W("Office_Menu"));
    VTR_CHECK_HR(menuId.AppendBSTR(number.bstrVal));
    setAttribute(spXMLMenu, W("id"), menuId);
    setAttribute(spXMLMenu, W("itemSize"), NORMAL_SIZE);
    return spXMLMenu;
}

CComPtr<IXMLDOMElement> COfficeRibbon::createButton(IXMLDOMElement* pXMLRibbon, int btnId, bool showImage, bool large,
                                                    bool visibleCallback)
{
    VTR_CHECK_QUOTED(pXMLRibbon, E_INVALIDARG);
    VTR_CHECK_QUOTED(btnId > 0, E_INVALIDARG);
    CComPtr<IXMLDOMElement> spXMLButton = appendElement(pXMLRibbon, W("button"));
    VTR_CHECK_QUOTED(spXMLButton, E_POINTER);
    initButton(spXMLButton, std::make_unique<COfficeRibbonButton>(btnId, large), showImage, large);
    if (visibleCallback)
        setAttribute(spXMLButton, W("getVisible"), CB_VISIBLE);
    return spXMLButton;
}

CComPtr<IXMLDOMElement> COfficeRibbon::createDialogBoxLauncher(IXMLDOMElement* pXMLRibbon, int btnId)
{
    VTR_CHECK_QUOTED(pXMLRibbon, E_INVALIDARG);
    VTR_CHECK_QUOTED(btnId > 0, E_INVALIDARG);
    CComPtr<IXMLDOMElement> spXMLDialogBoxLauncher = appendElement(pXMLRibbon, W("dialogBoxLauncher"));
    VTR_CHECK_QUOTED(spXMLDialogBoxLauncher, E_POINTER);
    CComPtr<IXMLDOMElement> spXMLButton = createButton(spXMLDialogBoxLauncher, btnId, false, false, false);
    VTR_CHECK_QUOTED(spXMLButton, E_POINTER);
    return spXMLDialogBoxLauncher;
}

CComPtr<IXMLDOMElement> COfficeRibbon::createSplitButton(IXMLDOMElement* pXMLRibbon, int btnId)
{
    VTR_CHECK_QUOTED(pXMLRibbon, E_INVALIDARG);
    VTR_CHECK_QUOTED(btnId > 0, E_INVALIDARG);
    CComPtr<IXMLDOMElement> spXMLButton = appendElement(pXMLRibbon, W("splitButton"));
    VTR_CHECK_QUOTED(spXMLButton, E_POINTER);
    auto button = std::make_unique<COfficeRibbonButton>(btnId, false);
    CComBSTR tag(button->Tag());
    AddControl(button.release());
    setAttribute(spXMLButton, W("id"), tag);
    setAttribute(spXMLButton, W("showLabel"), TRUE_TEXT);
    setAttribute(spXMLButton, W("size"), NORMAL_SIZE);
    setAttribute(spXMLButton, W("getEnabled"), CB_ENABLED);
    setAttribute(spXMLButton, W("getVisible"), CB_VISIBLE);
    return spXMLButton;
}

CComPtr<IXMLDOMElement> COfficeRibbon::createGallery(IXMLDOMElement* pXMLRibbon, int galleryId)
{
    VTR_CHECK_QUOTED(pXMLRibbon, E_INVALIDARG);
    VTR_CHECK_QUOTED(galleryId > 0, E_INVALIDARG);
    CComPtr<IXMLDOMElement> spXMLGallery = appendElement(pXMLRibbon, W("gallery"));
    VTR_CHECK_QUOTED(spXMLGallery, E_POINTER);
    auto gallery = std::make_unique<COfficeRibbonGallery>(galleryId);
    CComBSTR tag(gallery->Tag());
    bool hasLabel = SysStringLen(gallery->GetLabel()) > 0;
    AddControl(gallery.release());
    if (hasLabel) {
        setAttribute(spXMLGallery, W("showLabel"), TRUE_TEXT);
        setAttribute(spXMLGallery, W("getLabel"), CB_LABEL);
    }
    setAttribute(spXMLGallery, W("id"), tag);
    setAttribute(spXMLGallery, W("columns"), W("1"));
    setAttribute(spXMLGallery, W("getEnabled"), CB_ENABLED);
    setAttribute(spXMLGallery, W("getVisible"), CB_VISIBLE);
    setAttribute(spXMLGallery, W("showImage"), TRUE_TEXT);
    setAttribute(spXMLGallery, W("size"), NORMAL_SIZE);
    setAttribute(spXMLGallery, W("getImage"), CB_IMAGE);
    setAttribute(spXMLGallery, W("getItemCount"), CB_ITEM_COUNT);
    setAttribute(spXMLGallery, W("getItemLabel"), CB_ITEM_LABEL);
    setAttribute(spXMLGallery, W("showItemImage"), TRUE_TEXT);
    setAttribute(spXMLGallery, W("getItemImage"), CB_ITEM_IMAGE);
    setAttribute(spXMLGallery, W("getItemHeight"), CB_ITEM_HEIGHT);
    setAttribute(spXMLGallery, W("getItemWidth"), CB_ITEM_WIDTH);
    setAttribute(spXMLGallery, W("getItemScreentip"), CB_ITEM_SCREENTIP);
    setAttribute(spXMLGallery, W("getItemSupertip"), CB_ITEM_SUPERTIP);
    return spXMLGallery;
}

void COfficeRibbon::initControl(IXMLDOMElement* pXMLControl, std::unique_ptr<COfficeRibbonControl> pNewControl,
                                bool withKeyTip, bool withLabel)
{
    VTR_CHECK_QUOTED(pXMLControl, E_INVALIDARG);
    VTR_CHECK_QUOTED(pNewControl, E_INVALIDARG);
    COfficeRibbonControl* control = pNewControl.get();
    AddControl(pNewControl.release());
    setAttribute(pXMLControl, W("id"), control->Tag());
    if (withKeyTip) {
        CComBSTR tabCaption(control->GetLabel());
        VTR_CHECK_TEXT(tabCaption.Length() > 0, "tabCaption", E_UNEXPECTED);
        CComBSTR keyTip(W("Z"));
        VTR_CHECK_HR(keyTip.Append(tabCaption.m_str, 1));
        setAttribute(pXMLControl, W("keytip"), keyTip);
    }
    if (withLabel)
        setAttribute(pXMLControl, W("getLabel"), CB_LABEL);
    setAttribute(pXMLControl, W("getVisible"), CB_VISIBLE);
}

void COfficeRibbon::initButton(IXMLDOMElement* pXMLButton, std::unique_ptr<COfficeRibbonButton> pNewButton,
                               bool showImage, bool large)
{
    VTR_CHECK_QUOTED(pXMLButton, E_INVALIDARG);
    VTR_CHECK_QUOTED(pNewButton, E_INVALIDARG);
    COfficeRibbonButton* button = pNewButton.get();
    AddControl(pNewButton.release());
    setAttribute(pXMLButton, W("id"), button->Tag());
    if (showImage) {
        setAttribute(pXMLButton, W("showImage"), TRUE_TEXT);
        if (large)
            setAttribute(pXMLButton, W("size"), W("large"));
    }
    if (SysStringLen(button->GetLabel()) > 0) {
        setAttribute(pXMLButton, W("showLabel"), TRUE_TEXT);
        setAttribute(pXMLButton, W("getLabel"), CB_LABEL);
    }
    setAttribute(pXMLButton, W("getScreentip"), CB_TOOLTIP);
    setAttribute(pXMLButton, W("getSupertip"), CB_SUPERTIP);
    CComBSTR keyTip = button->GetKeyTip();
    if (keyTip.Length() > 0)
        setAttribute(pXMLButton, W("keytip"), keyTip);
    setAttribute(pXMLButton, W("onAction"), CB_ACTION);
    setAttribute(pXMLButton, W("getEnabled"), CB_ENABLED);
    if (showImage)
        setAttribute(pXMLButton, W("getImage"), CB_IMAGE);
}
