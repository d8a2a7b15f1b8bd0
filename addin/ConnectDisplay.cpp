// The rows of the IP location, attachment and link groups, the padding that lines up their split buttons,
// and the status button's dangers and warnings.
#include "addin/Connect.h"

#include <memory>
#include <set>
#include <unordered_map>

#include "Utils/FileSignature.h"
#include "Utils/SettingsManager.h"
#include "__Controls/OfficeRibbon.h"
#include "__Utilities/ResourceManager.h"
#include "addin/CommandBars.h"
#include "addin/RibbonIds.h"
#include "addin/ScreenText.h"
#include "geo/CountryTable.h"

extern int g_animationFrame;

namespace {

constexpr size_t MAX_WARNING_NAME = 80;

WString ToWString(BSTR text)
{
    return text ? WString(text, SysStringLen(text)) : WString();
}

WString TextOf(const _bstr_t& text)
{
    return text.length() ? WString(static_cast<const WCHAR*>(text)) : WString();
}

WString ResourceString(int id)
{
    return ToWString(CResourceManager::Instance().GetText(id));
}

// " (providers disagree)" when the address's answers name more than one country.
WString DisagreeNote(const IPInfo& address)
{
    return address.ProvidersDisagree() ? ResourceString(IDS_WARN_PROVIDERS_DISAGREE) : WString();
}

// The text cut to 80 characters followed by "..." when it is longer.
WString CutForWarning(const WString& text)
{
    if (text.size() <= MAX_WARNING_NAME)
        return text;
    return text.substr(0, MAX_WARNING_NAME) + W("...");
}

void AddEntry(std::vector<WString>& list, const WString& name, int messageId)
{
    WString text = name + W("\n") + ResourceString(messageId);
    // A link and the link its redirect added lead to the same download: each finding is listed once.
    for (const WString& listed : list)
        if (listed == text || (listed.size() == text.size() + 2 && listed.compare(2, WString::npos, text) == 0))
            return;
    list.push_back(list.empty() ? std::move(text) : W("\n\n") + text);
}

int LocationImage(const IPLocationInfo* pInfo)
{
    if (!pInfo)
        return COfficeRibbonButton::NO_IMAGE;
    switch (pInfo->status) {
    case RS_PENDING: return IDI_LOCATION_PENDING;
    case RS_REQUESTING: return IDI_LOCATION_REQUESTING;
    case RS_LOADING:
    case RS_LOADED:
    case RS_INTERACTIVE: return IDI_LOCATION_LOADING;
    case RS_DONE: return IDI_LOCATION_DONE;
    default: return IDI_LOCATION_FAILED;
    }
}

bool IsFinished(const RequestInfo* pRequest)
{
    return pRequest && (pRequest->status == RS_DONE || pRequest->status == RS_REDIRECTING);
}

// Still on its way: queued, or sent and not answered yet.
bool IsInProgress(const RequestInfo* pRequest)
{
    if (!pRequest)
        return false;
    if (pRequest->status == RS_PENDING)
        return true;
    bool running = (pRequest->status >= RS_REQUESTING && pRequest->status <= RS_INTERACTIVE) ||
                   pRequest->status == RS_REDIRECTING;
    return running && pRequest->startTime != 0;
}

bool EndsWithIgnoringCase(const WString& text, const WString& suffix)
{
    if (suffix.size() > text.size())
        return false;
    return _wcsicmp(text.c_str() + (text.size() - suffix.size()), suffix.c_str()) == 0;
}

} // namespace

COfficeRibbon* CConnect::ribbon() const
{
    COfficeRibbon* pRibbon = COutlookCommandBars::Instance().GetRibbon();
    VTR_CHECK_QUOTED(pRibbon, E_POINTER);
    return pRibbon;
}

COfficeControlBase* CConnect::control(int Id) const
{
    COfficeRibbon* pRibbon = ribbon();
    VTR_CHECK_QUOTED(Id > 0, E_INVALIDARG);
    COfficeControlBase* pControl = pRibbon->GetControl(Id);
    VTR_CHECK_QUOTED(pControl, E_POINTER);
    return pControl;
}

void CConnect::Show(int Id, bool visible)
{
    control(Id)->Show(visible);
}

void CConnect::Enable(int Id, bool enable)
{
    control(Id)->Enable(enable);
}

COfficeRibbonControl* CConnect::ribbonControl(int Id) const
{
    auto* pControl = dynamic_cast<COfficeRibbonControl*>(control(Id));
    VTR_CHECK_QUOTED(pControl, E_POINTER);
    return pControl;
}

// An empty or absent text gives the control its resource text back.
void CConnect::SetLabel(int Id, const WCHAR* pText)
{
    COfficeRibbonControl* pControl = ribbonControl(Id);
    pText && *pText ? pControl->SetLabel(pText) : pControl->ClearLabel();
}

void CConnect::SetToolTip(int Id, const WCHAR* pText)
{
    COfficeRibbonControl* pControl = ribbonControl(Id);
    pText && *pText ? pControl->SetToolTip(pText) : pControl->ClearToolTip();
}

void CConnect::SetSuperTip(int Id, const WCHAR* pText)
{
    COfficeRibbonControl* pControl = ribbonControl(Id);
    pText && *pText ? pControl->SetSuperTip(pText) : pControl->ClearSuperTip();
}

void CConnect::Image(int Id, int imgId)
{
    VTR_CHECK_QUOTED(Id > 0, E_INVALIDARG);
    VTR_CHECK_QUOTED((imgId > 0) || (imgId == NO_IMAGE), E_INVALIDARG);
    auto* pButton = dynamic_cast<COfficeRibbonButton*>(control(Id));
    VTR_CHECK_QUOTED(pButton, E_POINTER);
    if (imgId == NO_IMAGE)
        pButton->ClearImage();
    else
        pButton->SetImage(imgId);
}

void CConnect::DisplayButton(int btnId, const IPLocationInfo* pInfo, int spaceCount, const IPInfo* pAddress)
{
    VTR_CHECK_QUOTED(btnId > 0, E_INVALIDARG);
    ribbon();
    WString shortText, longText;
    if (pInfo) {
        shortText = ToWString(pInfo->ToString());
        longText = ToWString(pInfo->ToLongString());
        WString disagreement = pAddress ? pAddress->DisagreementText() : WString();
        if (!disagreement.empty())
            longText += (longText.empty() ? W("") : W("\n\n")) + disagreement;
    }
    WString label = shortText;
    if (!shortText.empty() && spaceCount > 0)
        label.append(size_t(spaceCount), W(' '));
    Show(btnId, pInfo != nullptr);
    Enable(btnId, pInfo != nullptr);
    SetLabel(btnId, label.c_str());
    SetToolTip(btnId, shortText.c_str());
    SetSuperTip(btnId, longText.c_str());
    Image(btnId, LocationImage(pInfo));
}

void CConnect::DisplayMenuItems(int firstId, const IPInfo* pInfo)
{
    for (int k = 0; k < MENU_ITEM_COUNT; ++k) {
        const IPLocationInfo* pItem =
            pInfo && size_t(k) < pInfo->locationInfo.size() ? pInfo->locationInfo[size_t(k)] : nullptr;
        DisplayButton(firstId + k, pItem, 0);
    }
}

void CConnect::DisplayScrolling(int upId, int downId, int launcherId, int topRow, int count)
{
    Show(upId, true);
    Enable(upId, topRow > 0);
    Show(downId, true);
    Enable(downId, count > 3 && topRow < (count < 4 ? 0 : count - 3));
    Enable(launcherId, count > 0);
}

namespace {

// Widths of labels by their case-folded text, kept across calls: the timer redraws the groups several
// times a second, and measuring thousands of link servers' labels each time is most of its work.
class CLabelWidths {
public:
    int Width(const WString& folded, const WString& label)
    {
        HFONT hFont = CResourceManager::Instance().GetUIFont(false);
        if (hFont != m_hFont || m_widths.size() > kMaxEntries) {
            m_widths.clear();
            m_hFont = hFont;
        }
        auto found = m_widths.find(folded);
        if (found != m_widths.end())
            return found->second;
        if (!m_pScreen)
            m_pScreen = std::make_unique<CScreenText>(hFont);
        int width = m_pScreen->Width(label);
        m_widths.emplace(folded, width);
        return width;
    }
    // The screen's device context is held only while one spacing is worked out.
    void Release() { m_pScreen.reset(); }

private:
    static constexpr size_t kMaxEntries = 100000;
    HFONT m_hFont = nullptr;
    std::unordered_map<WString, int> m_widths;
    std::unique_ptr<CScreenText> m_pScreen;
};

CLabelWidths g_labelWidths;

} // namespace

void CConnect::CalculateSpacing(const std::vector<WString>& labels, std::vector<int>& spaces)
{
    if (labels.size() < 4)
        return;
    // Labels equal ignoring case (folded with the table _wcsicmp uses) share the width of the first
    // measured; when all are equal there is nothing to line up.
    struct Released {
        ~Released() { g_labelWidths.Release(); }
    } released;
    std::vector<int> widths;
    widths.reserve(labels.size());
    int maxWidth = 0;
    WString first;
    bool distinct = false;
    for (size_t i = 0; i < labels.size(); ++i) {
        WString folded = labels[i];
        if (!folded.empty())
            CharUpperBuffW(&folded[0], DWORD(folded.size()));
        if (i == 0)
            first = folded;
        else
            distinct = distinct || folded != first;
        widths.push_back(g_labelWidths.Width(folded, labels[i]));
        maxWidth = (std::max)(maxWidth, widths.back());
    }
    if (!distinct)
        return;
    int space = g_labelWidths.Width(W(" "), W(" "));
    if (space <= 0)
        return;

    for (int w : widths) {
        int n = (maxWidth - w) / space;
        if (w + (n + 1) * space - maxWidth < maxWidth - (w + n * space))
            ++n;
        spaces.push_back(n);
    }
}

void CConnect::ProcessIpLocation()
{
    try {
        bool show = (CSettingsManager::Instance().displayTabs & CSettingsManager::DISPLAY_IP_LOCATION) != 0;
        Show(ID_RIBBON_IP_LOCATION_GROUP, show);
        if (!show)
            return;
        VTR_CHECK_QUOTED(m_eMailData.IsEmailItemSet(), E_UNEXPECTED);
        CEmailIPLocation& ipLocation = m_eMailData.GetEmailIPLocation();
        const IPInfoList& ips = ipLocation.GetIPLocationNoReserved();
        int count = int(ips.size());
        int topRow = ipLocation.GetTopRow();
        int maxBottom = count < 4 ? 0 : count - 3;
        VTR_CHECK_QUOTED(topRow >= 0, E_UNEXPECTED);
        VTR_CHECK_QUOTED(topRow <= maxBottom, E_UNEXPECTED);

        std::vector<int> spaces;
        if (count >= 4) {
            std::vector<WString> labels;
            for (const IPInfo& ip : ips) {
                const IP_address* pAddress = ip.Address();
                labels.push_back(pAddress ? ToWString(pAddress->ToString(false)) : WString());
            }
            CalculateSpacing(labels, spaces);
        }

        for (int r = 0; r < ROW_COUNT; ++r) {
            WString label = ResourceString(ID_IP_LABEL[r]);
            bool exists = topRow + r < count;
            const IPInfo* pIpInfo = exists ? &ips[size_t(topRow + r)] : nullptr;
            const IPLocationInfo* pChosen = nullptr;
            if (pIpInfo) {
                const IPInfo& ipInfo = *pIpInfo;
                VTR_CHECK_QUOTED((ipInfo.addressType & IP_TYPE_V4) || (ipInfo.addressType & IP_TYPE_V6), E_UNEXPECTED);
                const IP_address* pAddress = ipInfo.Address();
                label = pAddress ? ToWString(pAddress->ToString(false)) : WString();
                int menuIdx = ipLocation.GetMenuChoice(topRow + r);
                VTR_CHECK_QUOTED(menuIdx >= 0, E_UNEXPECTED);
                bool v6WithoutRecords = (ipInfo.addressType & IP_TYPE_V6) && ipInfo.locationInfo.empty();
                if (!v6WithoutRecords) {
                    VTR_CHECK_QUOTED(menuIdx < (int) ipInfo.locationInfo.size(), E_UNEXPECTED);
                    pChosen = ipInfo.locationInfo[size_t(menuIdx)];
                }
                if (size_t(topRow + r) < spaces.size())
                    label.append(size_t(spaces[size_t(topRow + r)]), W(' '));
            }
            Show(ID_IP_LABEL[r], true);
            Enable(ID_IP_LABEL[r], exists);
            SetLabel(ID_IP_LABEL[r], label.c_str());
            Show(ID_IP_SPLIT[r], true);
            Enable(ID_IP_SPLIT[r], exists);
            DisplayButton(ID_IP_MAIN[r], pChosen, 0, pIpInfo);
            DisplayMenuItems(ID_IP_ITEM_FIRST[r], pIpInfo);
        }
        DisplayScrolling(ID_IP_SCROLL_UP, ID_IP_SCROLL_DOWN, ID_IP_LAUNCHER, topRow, count);
    }
    VTR_CATCH_LOG
}

void CConnect::DisplayAttachments()
{
    try {
        VTR_CHECK_QUOTED(m_eMailData.IsEmailItemSet(), E_UNEXPECTED);
        CEmailAttachments& attachments = m_eMailData.GetEmailAttachments();
        const std::vector<AttachmentInfo>& attachmentsInfo = attachments.GetAttachmentsExMapi();
        VTR_CHECK_QUOTED(!attachmentsInfo.empty(), E_UNEXPECTED);
        int count = int(attachmentsInfo.size());
        for (int r = 0; r < ROW_COUNT; ++r) {
            Show(ID_ATTACHMENT[r], true);
            Show(ID_ATTACHMENT_TYPE[r], true);
            Enable(ID_ATTACHMENT[r], count > r);
            Enable(ID_ATTACHMENT_TYPE[r], count > r);
        }
        int topRow = attachments.GetTopRow();
        int maxBottom = count < 4 ? 0 : count - 3;
        VTR_CHECK_QUOTED(topRow >= 0, E_UNEXPECTED);
        VTR_CHECK_QUOTED(topRow <= maxBottom, E_UNEXPECTED);

        std::vector<int> spaces;
        if (count >= 4) {
            std::vector<WString> labels;
            for (const AttachmentInfo& info : attachmentsInfo)
                labels.push_back(info.displayName);
            CalculateSpacing(labels, spaces);
        }
        for (int r = 0; r < ROW_COUNT; ++r) {
            WString name, tip, type;
            if (topRow + r < count) {
                const AttachmentInfo& info = attachmentsInfo[size_t(topRow + r)];
                name = info.displayName;
                tip = info.longFileName;
                type = info.typeName;
                if (name.size() == tip.size() && _wcsicmp(name.c_str(), tip.c_str()) == 0)
                    tip.clear();
                if (size_t(topRow + r) < spaces.size() && !name.empty())
                    name.append(size_t(spaces[size_t(topRow + r)]), W(' '));
            }
            SetLabel(ID_ATTACHMENT[r], name.c_str());
            SetToolTip(ID_ATTACHMENT[r], tip.c_str());
            SetLabel(ID_ATTACHMENT_TYPE[r], type.c_str());
        }
        DisplayScrolling(ID_ATTACHMENT_SCROLL_UP, ID_ATTACHMENT_SCROLL_DOWN, ID_ATTACHMENT_LAUNCHER, topRow, count);
    }
    VTR_CATCH_LOG
}

void CConnect::DisplayLinks()
{
    try {
        VTR_CHECK_QUOTED(m_eMailData.IsEmailItemSet(), E_UNEXPECTED);
        CEmailLinks& links = m_eMailData.GetEmailLinks();
        const IPInfo4LinksList& servers = links.GetLinkServers();
        int count = int(servers.size());
        int topRow = links.GetTopRow();
        int maxBottom = count < 4 ? 0 : count - 3;
        VTR_CHECK_QUOTED(topRow >= 0, E_UNEXPECTED);
        VTR_CHECK_QUOTED(topRow <= maxBottom, E_UNEXPECTED);

        auto chosenRecord = [&](int index) -> const IPLocationInfo* {
            const IPInfo4Links& server = servers[size_t(index)];
            int menuIdx = links.GetMenuChoice(index);
            if (menuIdx < 0 || size_t(menuIdx) >= server.locationInfo.size())
                return nullptr;
            return server.locationInfo[size_t(menuIdx)];
        };

        std::vector<int> serverSpaces, locationSpaces;
        if (count >= 4) {
            std::vector<WString> serverLabels, locationLabels;
            for (int i = 0; i < count; ++i) {
                serverLabels.push_back(ToWString(servers[size_t(i)].ToString(false)));
                const IPLocationInfo* pChosen = chosenRecord(i);
                WString text = pChosen ? ToWString(pChosen->ToString()) : WString();
                locationLabels.push_back(text.empty() ? WString(W(" ")) : text);
            }
            CalculateSpacing(serverLabels, serverSpaces);
            CalculateSpacing(locationLabels, locationSpaces);
        }

        for (int r = 0; r < ROW_COUNT; ++r) {
            int index = topRow + r;
            bool exists = index < count;
            if (!exists) {
                Image(ID_LINK_GALLERY[r], NO_IMAGE);
                SetLabel(ID_LINK_GALLERY[r], W(" "));
                Show(ID_LINK_GALLERY[r], true);
                Enable(ID_LINK_GALLERY[r], false);
                Show(ID_LINK_SPLIT[r], true);
                Enable(ID_LINK_SPLIT[r], false);
                DisplayButton(ID_LINK_MAIN[r], nullptr, 0);
                DisplayMenuItems(ID_LINK_ITEM_FIRST[r], nullptr);
                continue;
            }
            const IPInfo4Links& server = servers[size_t(index)];
            WString label = ToWString(server.ToString(false));
            if (size_t(index) < serverSpaces.size())
                label.append(size_t(serverSpaces[size_t(index)]), W(' '));

            bool busy = false;
            size_t finished = 0;
            for (const LinkInfo& link : server.links) {
                busy = busy || IsInProgress(link.pDataInfo);
                if (IsFinished(link.pDataInfo))
                    ++finished;
            }
            int image = busy                                 ? IDI_BUSY_FIRST + g_animationFrame
                        : finished == server.links.size()   ? IDI_LINKS_DONE
                        : finished == 0                     ? IDI_LINKS_NONE
                                                            : IDI_LINKS_SOME;
            Image(ID_LINK_GALLERY[r], image);
            SetLabel(ID_LINK_GALLERY[r], label.c_str());
            Show(ID_LINK_GALLERY[r], true);
            Enable(ID_LINK_GALLERY[r], true);
            Show(ID_LINK_SPLIT[r], true);
            Enable(ID_LINK_SPLIT[r], true);
            int spaces = size_t(index) < locationSpaces.size() ? locationSpaces[size_t(index)] : 0;
            DisplayButton(ID_LINK_MAIN[r], chosenRecord(index), spaces, &server);
            DisplayMenuItems(ID_LINK_ITEM_FIRST[r], &server);
        }
        DisplayScrolling(ID_LINK_SCROLL_UP, ID_LINK_SCROLL_DOWN, ID_LINK_LAUNCHER, topRow, count);
    }
    VTR_CATCH_LOG
}

void CConnect::GetCountry(const WCHAR* pCountryCode, const std::vector<int>& watchedList, WString& countryName)
{
    countryName.clear();
    if (!VTR_VERIFY_QUOTED(pCountryCode, E_INVALIDARG))
        return;
    const std::vector<int>& emailsCountryList = watchedList;
    if (!VTR_VERIFY_QUOTED(!emailsCountryList.empty(), E_INVALIDARG))
        return;
    for (int entry : watchedList)
        for (const CountryEntry& row : g_countryTable)
            if (CountryKey(row.code) == entry && _wcsicmp(row.code, pCountryCode) == 0) {
                countryName = row.name;
                return;
            }
}

void CConnect::addFileFindings(const AttachmentInfo& info, std::vector<WString>& dangers,
                               std::vector<WString>& warnings)
{
    WString name = CutForWarning(info.longFileName);
    const AdditionalInfo& found = info.additionalInfo;
    if (found.runOnExtract)
        AddEntry(dangers, name, IDS_WARN_RUN_ON_EXTRACT);
    if (CFileSignature::IsPotentiallyDangerous(info))
        AddEntry(dangers, name, IDS_WARN_DANGEROUS);
    if (found.isTracking)
        AddEntry(warnings, name, IDS_WARN_TRACKING);
    if (found.typeMismatch)
        AddEntry(warnings, name, IDS_WARN_TYPE_MISMATCH);
}

void CConnect::computeAttachmentWarnings()
{
    if (m_attachmentWarningsSet)
        return;
    m_attachmentWarnings.clear();
    m_attachmentDangers.clear();
    for (const AttachmentInfo& info : m_eMailData.GetEmailAttachments().GetAttachmentsExMapi())
        addFileFindings(info, m_attachmentDangers, m_attachmentWarnings);
    m_attachmentWarningsSet = true;
}

void CConnect::ProcessContent()
{
    try {
        CEmailMessage& message = m_eMailData.GetEmailMessage();
        WString name = ToWString(message.GetEmailName());
        WString address = ToWString(message.GetEmailAddress());
        SetLabel(ID_SENDER_NAME, name.empty() ? nullptr : (W("   ") + name).c_str());
        SetLabel(ID_SENDER_ADDRESS, address.empty() ? nullptr : (W("   ") + address).c_str());
        Show(ID_STATUS, true);
        Enable(ID_STATUS, true);
        Show(ID_CONTENT_SEPARATOR, true);
        CSettingsManager& settings = CSettingsManager::Instance();
        bool content = (settings.displayTabs & CSettingsManager::DISPLAY_CONTENT) != 0;
        Show(ID_RIBBON_CONTENT_GROUP, content);
        if (!content)
            return;

        computeAttachmentWarnings();
        std::vector<WString> dangers = m_attachmentDangers;
        std::vector<WString> warnings = m_attachmentWarnings;
        const IPInfo4LinksList& servers = m_eMailData.GetEmailLinks().GetLinkServers();
        for (const IPInfo4Links& server : servers)
            for (const LinkInfo& link : server.links)
                if (IsFinished(link.pDataInfo))
                    for (const AttachmentInfo& file : link.pDataInfo->analysedFiles)
                        addFileFindings(file, dangers, warnings);

        auto addSorted = [&warnings](const std::set<WString>& messages) {
            for (const WString& text : messages)
                warnings.push_back(warnings.empty() ? text : W("\n\n") + text);
        };
        // The receiving server's own verdicts on the sender.
        const AuthenticationVerdicts& verdicts = message.GetAuthenticationVerdicts();
        if (DmarcFailed(verdicts))
            addSorted({ResourceString(IDS_WARN_DMARC_FAILED) + DmarcText(verdicts)});
        else if (SenderUnauthenticated(verdicts))
            addSorted({ResourceString(IDS_WARN_NOT_AUTHENTICATED) + SpfAndDkimText(verdicts)});
        if (settings.flagEmails) {
            std::set<WString> messages;
            for (const IPInfo& ip : m_eMailData.GetEmailIPLocation().GetIPLocationNoReserved())
                for (const IPLocationInfo* pInfo : ip.locationInfo)
                    if (IsFinished(pInfo)) {
                        WString country;
                        GetCountry(pInfo->countryCode, settings.emailCountries, country);
                        if (!country.empty())
                            messages.insert(ResourceString(IDS_WARN_EMAIL_COUNTRY) + country + DisagreeNote(ip));
                    }
            addSorted(messages);
        }
        if (settings.flagLinks) {
            std::set<WString> messages;
            for (const IPInfo4Links& server : servers)
                for (const IPLocationInfo* pInfo : server.locationInfo)
                    if (IsFinished(pInfo)) {
                        WString country;
                        GetCountry(pInfo->countryCode, settings.linkCountries, country);
                        if (!country.empty())
                            messages.insert(CutForWarning(ToWString(server.ToString(false))) + W("\n") +
                                            ResourceString(IDS_WARN_LINK_COUNTRY) + country + DisagreeNote(server));
                    }
            addSorted(messages);
        }
        if (settings.flagServers) {
            std::set<WString> messages;
            for (const IPInfo4Links& server : servers)
                for (const LinkInfo& link : server.links) {
                    WString host = TextOf(link.host);
                    if (host.empty())
                        continue;
                    for (const WString& watched : settings.servers)
                        if (!watched.empty() && EndsWithIgnoringCase(host, watched))
                            messages.insert(CutForWarning(TextOf(link.linkURL)) + W("\n") +
                                            ResourceString(IDS_WARN_LINK_SERVER) + watched);
                }
            addSorted(messages);
        }

        int image = !dangers.empty() ? IDI_STATUS_DANGER : !warnings.empty() ? IDI_STATUS_WARNING : IDI_STATUS_OK;
        Image(ID_STATUS, image);
        WString toolTip = !dangers.empty()    ? ResourceString(IDS_STATUS_DANGER)
                          : !warnings.empty() ? ResourceString(IDS_STATUS_WARNING)
                                              : WString();
        SetToolTip(ID_STATUS, toolTip.c_str());
        WString superTip;
        for (const WString& text : dangers)
            superTip += text;
        if (!dangers.empty() && !warnings.empty())
            superTip += W("\n\n");
        for (const WString& text : warnings)
            superTip += text;
        SetSuperTip(ID_STATUS, superTip.c_str());
    }
    VTR_CATCH_LOG
}
