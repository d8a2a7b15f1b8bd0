// The ribbon container: builds the customUI XML through the MSXML DOM while it creates the controls,
// wires every dynamic attribute to a callback of the add-in's dispatch interface, hands Office's
// IRibbonUI to the controls, and finds a control again from the IRibbonControl of a callback.
#pragma once

#include <msxml6.h>
#include <mso.h>

#include <vector>

#include "__Controls/OfficeCommandBarBase.h"
#include "__Controls/OfficeRibbonButton.h"
#include "__Controls/OfficeRibbonControl.h"
#include "__Controls/OfficeRibbonGallery.h"
#include "__Utilities/WString.h"

class COfficeRibbon : public COfficeCommandBarBase {
public:
    COfficeRibbon() = default;
    ~COfficeRibbon() override;

    // Destroys every control and forgets the XML.
    void remove() override;
    using COfficeCommandBarBase::GetControl;
    COfficeControlBase* GetControl(IDispatch* pRibbonControl) override;

    // The customUI XML; the first call builds it (and the controls).
    BSTR GetXML();
    // Office's ribbon is loaded: from now on every change of a control is announced to it.
    void SetRibbonPtr(IRibbonUI* pRibbonUI);
    bool IsLoaded() const noexcept { return m_loaded; }

    // Office loads the same XML once per kind of window (the Explorer's, the Read window's), each with an
    // IRibbonUI of its own that invalidates only that window's controls. Each is kept by its ribbon id; the
    // first one loaded is used until UseRibbon chooses another.
    void AddRibbonPtr(const WCHAR* pRibbonId, IRibbonUI* pRibbonUI);
    bool IsLoaded(const WCHAR* pRibbonId) const;
    // Announces every later change to the ribbon of that id. A window's ribbon kept the answers it was
    // given while another window was followed, so on a switch it is invalidated whole. False when no
    // ribbon of that id is loaded (nothing changes then).
    bool UseRibbon(const WCHAR* pRibbonId);
    // The id of the ribbon that changes are announced to; empty before any is loaded.
    const WString& UsedRibbonId() const noexcept { return m_usedRibbonId; }

    // Menus created in this process so far; each new menu's id carries the next number.
    static int GetMenuCount() noexcept;

protected:
    enum class SimpleControl { Tab, Group, Label, Separator };

    // Each builder operation appends a new element to pXMLRibbon and returns it.
    CComPtr<IXMLDOMElement> createSimpleControl(IXMLDOMElement* pXMLRibbon, SimpleControl kind, int ctrlId);
    CComPtr<IXMLDOMElement> createMenu(IXMLDOMElement* pXMLRibbon);
    // visibleCallback: the button asks whether it is shown; otherwise it always is.
    CComPtr<IXMLDOMElement> createButton(IXMLDOMElement* pXMLRibbon, int btnId, bool showImage, bool large,
                                         bool visibleCallback);
    CComPtr<IXMLDOMElement> createDialogBoxLauncher(IXMLDOMElement* pXMLRibbon, int btnId);
    CComPtr<IXMLDOMElement> createSplitButton(IXMLDOMElement* pXMLRibbon, int btnId);
    CComPtr<IXMLDOMElement> createGallery(IXMLDOMElement* pXMLRibbon, int galleryId);

    void initControl(IXMLDOMElement* pXMLControl, std::unique_ptr<COfficeRibbonControl> pNewControl,
                     bool withKeyTip, bool withLabel);
    void initButton(IXMLDOMElement* pXMLButton, std::unique_ptr<COfficeRibbonButton> pNewButton, bool showImage,
                    bool large);

    // DOM calls; a failure is a _com_error with MSXML's code and interface id.
    static CComPtr<IXMLDOMElement> createElement(IXMLDOMDocument* pDocument, const WCHAR* name);
    static void appendChild(IXMLDOMNode* pParent, IXMLDOMNode* pChild);
    static void setAttribute(IXMLDOMElement* pElement, const WCHAR* name, const WCHAR* value);

    CComBSTR m_ribbonXML;
    bool m_loaded = false;
    struct LoadedRibbon {
        WString ribbonId;
        CComPtr<IRibbonUI> spRibbonUI;
    };
    std::vector<LoadedRibbon> m_loadedRibbons;
    WString m_usedRibbonId;

private:
    // A new element named name, appended to pXMLRibbon (null when the DOM gave none).
    static CComPtr<IXMLDOMElement> appendElement(IXMLDOMElement* pXMLRibbon, const WCHAR* name);
};
