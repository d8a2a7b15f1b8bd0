// CConnect, the object Outlook creates for the add-in and keeps while it runs: its connection to Outlook,
// the selection pipeline that turns the selected message into the tab's state, the polling timer that
// carries the asynchronous requests to completion, the ribbon callbacks and the fill of the rows.
#pragma once

#include <windows.h>
#include <atlbase.h>
#include <atlcom.h>
#include <msaddndr.h>
#include <mso.h>
#include <olectl.h>
#include <outlook.h>

#include <deque>
#include <map>
#include <memory>
#include <vector>

#include "__Utilities/WString.h"
#include "addin/AddinModule.h"
#include "email/EmailData.h"

class CReadWindowSink;
class COfficeRibbon;
class COfficeControlBase;
class COfficeRibbonControl;
class COfficeRibbonGallery;
struct IPLocationInfo;

extern const GUID LIBID_AddInDesignerObjects;
extern const GUID LIBID_Office;
extern const IID DIID_ExplorerEvents_10;
extern const IID DIID_InspectorsEvents;
extern const IID IID__IDTExtensibility2;
extern const IID IID_IRibbonExtensibility;

class CConnect;
// The one instance of the process, for the timer procedure.
extern CConnect* g_pConnect;

class CConnect
    : public CComObjectRootEx<CComSingleThreadModel>,
      public CComCoClass<CConnect, &CLSID_Connect>,
      public ISupportErrorInfo,
      public IDispatchImpl<IConnect, &IID_IConnect, &LIBID_VantoraAddinLib, 1, 0>,
      public IDispatchImpl<AddInDesignerObjects::_IDTExtensibility2, &IID__IDTExtensibility2,
                           &LIBID_AddInDesignerObjects, 1, 0>,
      public IDispatchImpl<Office::IRibbonExtensibility, &IID_IRibbonExtensibility, &LIBID_Office, 2, 4>,
      public IDispatchImpl<IRibbonCallback, &IID_IRibbonCallback, &LIBID_VantoraAddinLib, 1, 0>,
      public IDispEventSimpleImpl<201, CConnect, &DIID_ExplorerEvents_10>,
      public IDispEventSimpleImpl<202, CConnect, &DIID_InspectorsEvents> {
public:
    static constexpr int NO_IMAGE = -1;

    CConnect();
    ~CConnect();

    DECLARE_REGISTRY_RESOURCEID(IDR_CONNECT)

    BEGIN_COM_MAP(CConnect)
        COM_INTERFACE_ENTRY2(IDispatch, IRibbonCallback)
        COM_INTERFACE_ENTRY(IConnect)
        COM_INTERFACE_ENTRY(AddInDesignerObjects::_IDTExtensibility2)
        COM_INTERFACE_ENTRY(Office::IRibbonExtensibility)
        COM_INTERFACE_ENTRY(IRibbonCallback)
        COM_INTERFACE_ENTRY(ISupportErrorInfo)
    END_COM_MAP()

    typedef IDispEventSimpleImpl<201, CConnect, &DIID_ExplorerEvents_10> ExplorerSink;
    typedef IDispEventSimpleImpl<202, CConnect, &DIID_InspectorsEvents> InspectorsSink;

    BEGIN_SINK_MAP(CConnect)
        SINK_ENTRY_INFO(201, DIID_ExplorerEvents_10, Outlook::dispidSelectionChange, &CConnect::FolderSelectionChange,
                        &fiSelectionChange)
        SINK_ENTRY_INFO(201, DIID_ExplorerEvents_10, Outlook::dispidEventActivate, &CConnect::ExplorerActivate,
                        &fiSelectionChange)
        SINK_ENTRY_INFO(202, DIID_InspectorsEvents, Outlook::dispidNewInspector, &CConnect::NewInspector,
                        &fiNewInspector)
    END_SINK_MAP()

    DECLARE_PROTECT_FINAL_CONSTRUCT()
    HRESULT FinalConstruct() { return S_OK; }
    void FinalRelease() {}

    // ISupportErrorInfo
    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID riid) override;

    // _IDTExtensibility2
    HRESULT STDMETHODCALLTYPE OnConnection(IDispatch* pApplication, AddInDesignerObjects::ext_ConnectMode ConnectMode,
                                           IDispatch* pAddInInst, SAFEARRAY** custom) override;
    HRESULT STDMETHODCALLTYPE OnDisconnection(AddInDesignerObjects::ext_DisconnectMode RemoveMode,
                                              SAFEARRAY** custom) override;
    HRESULT STDMETHODCALLTYPE OnAddInsUpdate(SAFEARRAY** custom) override;
    HRESULT STDMETHODCALLTYPE OnStartupComplete(SAFEARRAY** custom) override;
    HRESULT STDMETHODCALLTYPE OnBeginShutdown(SAFEARRAY** custom) override;

    // IRibbonExtensibility
    HRESULT STDMETHODCALLTYPE GetCustomUI(BSTR RibbonID, BSTR* pRibbonXml) override;

    // IRibbonCallback
    HRESULT STDMETHODCALLTYPE OnLoadCB(IDispatch* pRibbon) override;
    HRESULT STDMETHODCALLTYPE OnActionCB(IDispatch* pRibbonControl) override;
    HRESULT STDMETHODCALLTYPE GetImageCB(IDispatch* pRibbonControl, IPictureDisp** ppImage) override;
    HRESULT STDMETHODCALLTYPE GetLabelCB(IDispatch* pRibbonControl, BSTR* pBstrValue) override;
    HRESULT STDMETHODCALLTYPE GetToolTipCB(IDispatch* pRibbonControl, BSTR* pBstrValue) override;
    HRESULT STDMETHODCALLTYPE GetSuperTipCB(IDispatch* pRibbonControl, BSTR* pBstrValue) override;
    HRESULT STDMETHODCALLTYPE GetIsVisibleCB(IDispatch* pRibbonControl, VARIANT_BOOL* pValue) override;
    HRESULT STDMETHODCALLTYPE GetIsEnabledCB(IDispatch* pRibbonControl, VARIANT_BOOL* pValue) override;
    HRESULT STDMETHODCALLTYPE GetItemCountCB(IDispatch* pRibbonControl, long* pCount) override;
    HRESULT STDMETHODCALLTYPE GetItemHeightCB(IDispatch* pRibbonControl, long* pHeight) override;
    HRESULT STDMETHODCALLTYPE GetItemWidthCB(IDispatch* pRibbonControl, long* pWidth) override;
    HRESULT STDMETHODCALLTYPE GetItemLabelCB(IDispatch* pRibbonControl, long cIndex, BSTR* pBstrValue) override;
    HRESULT STDMETHODCALLTYPE GetItemImageCB(IDispatch* pRibbonControl, long cIndex, IPictureDisp** ppImage) override;
    HRESULT STDMETHODCALLTYPE GetItemScreenTipCB(IDispatch* pRibbonControl, long cIndex, BSTR* pBstrValue) override;
    HRESULT STDMETHODCALLTYPE GetItemSuperTipCB(IDispatch* pRibbonControl, long cIndex, BSTR* pBstrValue) override;

    // The Explorer's SelectionChange: processed when the Explorer is the window the add-in follows.
    void STDMETHODCALLTYPE FolderSelectionChange();
    // The window the person is in is the one whose tab follows its message: the Explorer when it is
    // activated, a Read window when it opens or is activated. A window left keeps what its tab showed.
    void STDMETHODCALLTYPE ExplorerActivate();
    void STDMETHODCALLTYPE NewInspector(IDispatch* pInspector);
    void InspectorActivate(CReadWindowSink* pEvents);
    void InspectorClose(CReadWindowSink* pEvents);
    // The message of the followed window (the Explorer's selection, or the Read window's item) into the
    // tab; also after OnLoadCB and the options dialog. While a command's dialog is modal or a tick runs,
    // the message under them must not change: the processing waits for them, posted to the loop.
    void ProcessWindow();
    // Counts the commands running (their dialogs pump messages); ProcessWindow waits while one does.
    struct CommandScope {
        explicit CommandScope(CConnect& c) noexcept : connect(c) { ++connect.m_commandsRunning; }
        ~CommandScope() { --connect.m_commandsRunning; }
        CConnect& connect;
    };
    // The Read window followed, or null while the add-in follows the Explorer.
    Outlook::_Inspector* FollowedInspector() const noexcept { return m_spFollowedInspector; }

    // The processing steps; each catches its own failures.
    void ProcessSingleMail();
    void ProcessText();
    void ProcessIpLocation();
    void ProcessAttachments();
    void DisplayAttachments();
    void ProcessLinks();
    void DisplayLinks();
    void ProcessContent();
    void ProcessMultipleMail();
    void DisplayTabs();

    void startTimer();
    void stopTimer();
    static void CALLBACK fnTimerProc(HWND hwnd, UINT uMsg, UINT_PTR idEvent, DWORD dwTime);

    // Fills a location button from a record (or none): label with added spaces, tips and state image.
    // pAddress, when given, is the address whose answer pInfo is: its tip tells when providers disagree.
    void DisplayButton(int btnId, const IPLocationInfo* pInfo, int spaceCount, const IPInfo* pAddress = nullptr);
    // The four provider items of a row: the record of each provider asked, or none.
    void DisplayMenuItems(int firstId, const IPInfo* pInfo);
    // A group's scroll buttons and dialog launcher for the list's top row and length.
    void DisplayScrolling(int upId, int downId, int launcherId, int topRow, int count);
    // Spaces to append to each label so that all reach the widest one (nothing for fewer than 4 labels).
    static void CalculateSpacing(const std::vector<WString>& labels, std::vector<int>& spaces);
    // The name of the country with the given code when the watched list holds it; empty otherwise.
    static void GetCountry(const WCHAR* pCountryCode, const std::vector<int>& watchedList, WString& countryName);
    // The link text shortened to maxLength characters ("./path", "./..from/the/difference", "...").
    static WString shortenOriginalURL(const WCHAR* pURL, const WCHAR* pNeighbour, int maxLength);
    // The redirect as the gallery shows it: the host once, then the shortened path.
    static WString redirectText(const WCHAR* pRedirect, const WCHAR* pOriginal, const WCHAR* pNeighbour);

    // The dialogs of the tab, modal to the active window.
    void ShowInfoDialog(UINT captionId);
    void ShowOptionsDialog();
    void ShowAboutDialog();
    // The texts the info dialogs show for the header, the addresses, the attachments and the links.
    WString DetailsText();
    // A new e-mail with the error log (IDC_EMAIL_SUPPORT) or this message's details (IDC_EMAIL_DETAILS).
    void ComposeEmail(INT_PTR command);

    CEmailData& GetEmailData() noexcept { return m_eMailData; }
    int GetTextHeight(int font) const noexcept { return m_textHeight[font ? 1 : 0]; }
    static UINT_PTR GetTimerId() noexcept;

private:
    static _ATL_FUNC_INFO fiSelectionChange;
    static _ATL_FUNC_INFO fiNewInspector;

    void followExplorer();
    void followInspector(Outlook::_Inspector* pInspector);
    // The ribbon id of the followed window's kind.
    const WCHAR* followedRibbonId() const noexcept;
    void disconnectEvents();
    void processWindowNow();
    bool isBusy() const noexcept;
    static void CALLBACK fnDeferredProc(HWND hwnd, UINT uMsg, UINT_PTR idEvent, DWORD dwTime);
    void stopDeferredProcessing();

    void initFontInfo();
    COfficeRibbon* ribbon() const;
    COfficeControlBase* control(int Id) const;
    COfficeRibbonControl* ribbonControl(int Id) const;
    void Show(int Id, bool visible);
    void Enable(int Id, bool enable);
    void SetLabel(int Id, const WCHAR* pText);
    void SetToolTip(int Id, const WCHAR* pText);
    void SetSuperTip(int Id, const WCHAR* pText);
    void Image(int Id, int imgId);
    // The callbacks' common start: the ribbon object and the control Office reports.
    COfficeControlBase* callbackControl(IDispatch* pRibbonControl) const;
    // The same for the gallery callbacks: a control that is not a gallery is E_POINTER.
    COfficeRibbonGallery* callbackGallery(IDispatch* pRibbonControl) const;
    // The link server of a gallery (1038..1040), through the list's top row.
    const IPInfo4Links& galleryServer(int galleryId) const;
    int itemHeight() const noexcept;
    HRESULT getTextCB(IDispatch* pRibbonControl, BSTR* pBstrValue, int which);
    HRESULT getFlagCB(IDispatch* pRibbonControl, VARIANT_BOOL* pValue, bool enabled);
    void computeAttachmentWarnings();
    void addFileFindings(const AttachmentInfo& info, std::vector<WString>& dangers, std::vector<WString>& warnings);
    WString linkSuperTip(const IPInfo4Links& server, const LinkInfo& link);
    // The first line of a link's gallery item: its request's state, or the name of the download, in colour.
    static WString firstLineText(const LinkInfo& link, COLORREF& colour);
    static int firstLineWidth(const LinkInfo& link);

    CComPtr<IDispatch> m_spApplication;
    CComPtr<Outlook::_Explorer> m_spExplorer;
    CComPtr<Outlook::_Inspectors> m_spInspectors;
    std::vector<std::unique_ptr<CReadWindowSink>> m_inspectors;
    // Sinks of closed windows, kept until no call of theirs can still be running.
    std::vector<std::unique_ptr<CReadWindowSink>> m_closedInspectors;
    CComPtr<Outlook::_Inspector> m_spFollowedInspector;
    int m_commandsRunning = 0;
    UINT_PTR m_deferredTimerId = 0;
    // The ribbon ids of GetCustomUI answers whose onLoad has not come yet, oldest first.
    std::deque<WString> m_pendingRibbonIds;
    int m_connectMode = 1;
    CEmailData m_eMailData;
    int m_textHeight[2] = {0, 0};
    std::map<int, int> m_widths; // resource or gallery id -> pixels
    std::vector<WString> m_attachmentWarnings;
    std::vector<WString> m_attachmentDangers;
    bool m_attachmentWarningsSet = false;
};

