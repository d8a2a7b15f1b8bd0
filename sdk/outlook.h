// The Outlook type library's object model, as the type-library import of msoutl.olb generates it with raw
// interfaces only (Outlook's ids, dispatch ids, vtable order and the namespace Outlook). Only what Vantora
// uses: each interface is declared in its real vtable order up to the last method the add-in or the host
// calls, and the slots before it that nobody calls are placeholders named after their vtable index and the
// member Outlook has there (IUnknown and IDispatch take slots 0 to 6), so calls land on the right slot of
// Outlook's own objects. A propputref accessor takes a slot like any other member.
//
// Every slot and dispatch id here is the one of the public type-library imports of Outlook 2007, 2013 and
// 16, which agree on all of them (the members used all exist since Outlook 2007); tests/outlook holds those
// tables apart from this file and checks each member against them on both builds.
#pragma once

#include <windows.h>
#include <oleauto.h>

// A vtable slot that the add-in never calls: present only so that later slots keep their index.
#define OUTLOOK_UNUSED_SLOT(n) \
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot##n() { return E_NOTIMPL; }

namespace Outlook {

struct _Application;
struct _NameSpace;
struct _Explorer;
struct Selection;
struct _MailItem;
struct _PropertyAccessor;
struct _Inspector;
struct _Inspectors;
struct ExplorerEvents_10;
struct InspectorEvents_10;
struct InspectorsEvents;

enum OlObjectClass {
    olApplication = 0,
    olNamespace = 1,
    olExplorer = 34,
    olInspector = 35,
    olMail = 43,
    olInspectors = 61,
    olSelection = 74,
    olPropertyAccessor = 112,
};

enum OlItemType {
    olMailItem = 0,
    olAppointmentItem = 1,
    olContactItem = 2,
    olTaskItem = 3,
    olJournalItem = 4,
    olNoteItem = 5,
    olPostItem = 6,
    olDistributionListItem = 7,
};

enum OlBodyFormat {
    olFormatUnspecified = 0,
    olFormatPlain = 1,
    olFormatHTML = 2,
    olFormatRichText = 3,
};

// Dispatch ids of the members Vantora uses, as the type library gives them.
enum {
    dispidApplication = 0xF000,
    dispidParent = 0xF001,
    dispidClass = 0xF00A,
    dispidSession = 0xF00B,
    dispidVersion = 0x0116,
    dispidActiveExplorer = 0x0111,
    dispidActiveInspector = 0x0112,
    dispidCreateItem = 0x010A,
    dispidInspectors = 0x011A,
    dispidSelection = 0x2202,
    dispidCurrentItem = 0x2102,
    dispidCount = 0x0050,
    dispidItem = 0x0051,
    dispidBody = 0x9100,
    dispidEntryID = 0xF01E,
    dispidMAPIOBJECT = 0xF100,
    dispidMessageClass = 0x001A,
    dispidSubject = 0x0037,
    dispidDisplay = 0xF0A6,
    dispidHTMLBody = 0xF404,
    dispidSenderName = 0x0C1A,
    dispidBodyFormat = 0xFA49,
    dispidSenderEmailAddress = 0x0C1F,
    dispidSenderEmailType = 0x0C1E,
    dispidPropertyAccessor = 0xFAFD,
    // The events: ExplorerEvents_10 and InspectorEvents_10 share Activate and Close (so each source needs
    // a sink of its own), and InspectorsEvents::NewInspector has the same number too.
    dispidEventActivate = 0xF001,
    dispidEventClose = 0xF008,
    dispidSelectionChange = 0xF007,
    dispidNewInspector = 0xF001,
};

} // namespace Outlook

__CRT_UUID_DECL(Outlook::_Application, 0x00063001, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46)
__CRT_UUID_DECL(Outlook::_NameSpace, 0x00063002, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46)
__CRT_UUID_DECL(Outlook::_Explorer, 0x00063003, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46)
__CRT_UUID_DECL(Outlook::Selection, 0x00063087, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46)
__CRT_UUID_DECL(Outlook::_MailItem, 0x00063034, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46)
__CRT_UUID_DECL(Outlook::_PropertyAccessor, 0x0006302D, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                0x46)
__CRT_UUID_DECL(Outlook::_Inspector, 0x00063005, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46)
__CRT_UUID_DECL(Outlook::_Inspectors, 0x00063008, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46)
__CRT_UUID_DECL(Outlook::InspectorEvents_10, 0x0006302A, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                0x46)
__CRT_UUID_DECL(Outlook::InspectorsEvents, 0x00063079, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                0x46)
__CRT_UUID_DECL(Outlook::ExplorerEvents_10, 0x0006300F, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                0x46)

namespace Outlook {

// The event sources (dispinterfaces): a sink answers Invoke with the event's dispatch id.
MIDL_INTERFACE("0006300F-0000-0000-C000-000000000046") ExplorerEvents_10 : public IDispatch {};
MIDL_INTERFACE("0006302A-0000-0000-C000-000000000046") InspectorEvents_10 : public IDispatch {};
// Of the Inspectors collection: NewInspector, with the new window as its one argument.
MIDL_INTERFACE("00063079-0000-0000-C000-000000000046") InspectorsEvents : public IDispatch {};

MIDL_INTERFACE("00063001-0000-0000-C000-000000000046") _Application : public IDispatch
{
    virtual HRESULT STDMETHODCALLTYPE get_Application(_Application** Application) = 0; // 7
    virtual HRESULT STDMETHODCALLTYPE get_Class(OlObjectClass* Class) = 0;              // 8
    virtual HRESULT STDMETHODCALLTYPE get_Session(_NameSpace** Session) = 0;            // 9
    virtual HRESULT STDMETHODCALLTYPE get_Parent(IDispatch** Parent) = 0;               // 10
    OUTLOOK_UNUSED_SLOT(11)                                                             // get_Assistant
    OUTLOOK_UNUSED_SLOT(12)                                                             // get_Name
    virtual HRESULT STDMETHODCALLTYPE get_Version(BSTR* Version) = 0;                   // 13
    virtual HRESULT STDMETHODCALLTYPE ActiveExplorer(_Explorer** ActiveExplorer) = 0;   // 14
    virtual HRESULT STDMETHODCALLTYPE ActiveInspector(_Inspector** ActiveInspector) = 0; // 15
    virtual HRESULT STDMETHODCALLTYPE CreateItem(OlItemType ItemType, IDispatch** Item) = 0; // 16
    OUTLOOK_UNUSED_SLOT(17)                                                             // CreateItemFromTemplate
    OUTLOOK_UNUSED_SLOT(18)                                                             // CreateObject
    OUTLOOK_UNUSED_SLOT(19)                                                             // GetNamespace
    OUTLOOK_UNUSED_SLOT(20)                                                             // Quit
    OUTLOOK_UNUSED_SLOT(21)                                                             // get_COMAddIns
    OUTLOOK_UNUSED_SLOT(22)                                                             // get_Explorers
    virtual HRESULT STDMETHODCALLTYPE get_Inspectors(_Inspectors** Inspectors) = 0;     // 23
};

// The session; Vantora only passes it around.
MIDL_INTERFACE("00063002-0000-0000-C000-000000000046") _NameSpace : public IDispatch
{
    virtual HRESULT STDMETHODCALLTYPE get_Application(_Application** Application) = 0; // 7
    virtual HRESULT STDMETHODCALLTYPE get_Class(OlObjectClass* Class) = 0;              // 8
    virtual HRESULT STDMETHODCALLTYPE get_Session(_NameSpace** Session) = 0;            // 9
    virtual HRESULT STDMETHODCALLTYPE get_Parent(IDispatch** Parent) = 0;               // 10
};

MIDL_INTERFACE("00063003-0000-0000-C000-000000000046") _Explorer : public IDispatch
{
    virtual HRESULT STDMETHODCALLTYPE get_Application(_Application** Application) = 0; // 7
    virtual HRESULT STDMETHODCALLTYPE get_Class(OlObjectClass* Class) = 0;              // 8
    virtual HRESULT STDMETHODCALLTYPE get_Session(_NameSpace** Session) = 0;            // 9
    virtual HRESULT STDMETHODCALLTYPE get_Parent(IDispatch** Parent) = 0;               // 10
    OUTLOOK_UNUSED_SLOT(11)                                                             // get_CommandBars
    OUTLOOK_UNUSED_SLOT(12)                                                             // get_CurrentFolder
    OUTLOOK_UNUSED_SLOT(13)                                                             // putref_CurrentFolder
    OUTLOOK_UNUSED_SLOT(14)                                                             // Close
    OUTLOOK_UNUSED_SLOT(15)                                                             // Display
    OUTLOOK_UNUSED_SLOT(16)                                                             // get_Caption
    OUTLOOK_UNUSED_SLOT(17)                                                             // get_CurrentView
    OUTLOOK_UNUSED_SLOT(18)                                                             // put_CurrentView
    OUTLOOK_UNUSED_SLOT(19)                                                             // get_Height
    OUTLOOK_UNUSED_SLOT(20)                                                             // put_Height
    OUTLOOK_UNUSED_SLOT(21)                                                             // get_Left
    OUTLOOK_UNUSED_SLOT(22)                                                             // put_Left
    OUTLOOK_UNUSED_SLOT(23)                                                             // get_Panes
    virtual HRESULT STDMETHODCALLTYPE get_Selection(Selection** Selection) = 0;         // 24
};

MIDL_INTERFACE("00063087-0000-0000-C000-000000000046") Selection : public IDispatch
{
    virtual HRESULT STDMETHODCALLTYPE get_Application(_Application** Application) = 0; // 7
    virtual HRESULT STDMETHODCALLTYPE get_Class(OlObjectClass* Class) = 0;              // 8
    virtual HRESULT STDMETHODCALLTYPE get_Session(_NameSpace** Session) = 0;            // 9
    virtual HRESULT STDMETHODCALLTYPE get_Parent(IDispatch** Parent) = 0;               // 10
    virtual HRESULT STDMETHODCALLTYPE get_Count(long* Count) = 0;                       // 11
    // Index is 1-based; Outlook takes any integer variant (the add-in passes VT_INT).
    virtual HRESULT STDMETHODCALLTYPE Item(VARIANT Index, IDispatch** Item) = 0;        // 12
};

MIDL_INTERFACE("0006302D-0000-0000-C000-000000000046") _PropertyAccessor : public IDispatch
{
    virtual HRESULT STDMETHODCALLTYPE get_Application(_Application** Application) = 0; // 7
    virtual HRESULT STDMETHODCALLTYPE get_Class(OlObjectClass* Class) = 0;              // 8
    virtual HRESULT STDMETHODCALLTYPE get_Session(_NameSpace** Session) = 0;            // 9
    virtual HRESULT STDMETHODCALLTYPE get_Parent(IDispatch** Parent) = 0;               // 10
    // SchemaName: "http://schemas.microsoft.com/mapi/proptag/0x007D001E" and the like.
    virtual HRESULT STDMETHODCALLTYPE GetProperty(BSTR SchemaName, VARIANT* Value) = 0; // 11
};
typedef _PropertyAccessor PropertyAccessor;

// A window that shows one item (the Read window of a message).
MIDL_INTERFACE("00063005-0000-0000-C000-000000000046") _Inspector : public IDispatch
{
    virtual HRESULT STDMETHODCALLTYPE get_Application(_Application** Application) = 0; // 7
    virtual HRESULT STDMETHODCALLTYPE get_Class(OlObjectClass* Class) = 0;              // 8
    virtual HRESULT STDMETHODCALLTYPE get_Session(_NameSpace** Session) = 0;            // 9
    virtual HRESULT STDMETHODCALLTYPE get_Parent(IDispatch** Parent) = 0;               // 10
    OUTLOOK_UNUSED_SLOT(11)                                                             // get_CommandBars
    // Any Outlook item: query it for _MailItem, which fails for an appointment or a contact.
    virtual HRESULT STDMETHODCALLTYPE get_CurrentItem(IDispatch** CurrentItem) = 0;     // 12
};

// The open Inspectors; the add-in only advises on its InspectorsEvents source.
MIDL_INTERFACE("00063008-0000-0000-C000-000000000046") _Inspectors : public IDispatch
{
    virtual HRESULT STDMETHODCALLTYPE get_Application(_Application** Application) = 0; // 7
    virtual HRESULT STDMETHODCALLTYPE get_Class(OlObjectClass* Class) = 0;              // 8
    virtual HRESULT STDMETHODCALLTYPE get_Session(_NameSpace** Session) = 0;            // 9
    virtual HRESULT STDMETHODCALLTYPE get_Parent(IDispatch** Parent) = 0;               // 10
    virtual HRESULT STDMETHODCALLTYPE get_Count(long* Count) = 0;                       // 11
};

MIDL_INTERFACE("00063034-0000-0000-C000-000000000046") _MailItem : public IDispatch
{
    virtual HRESULT STDMETHODCALLTYPE get_Application(_Application** Application) = 0; // 7
    virtual HRESULT STDMETHODCALLTYPE get_Class(OlObjectClass* Class) = 0;              // 8
    virtual HRESULT STDMETHODCALLTYPE get_Session(_NameSpace** Session) = 0;            // 9
    virtual HRESULT STDMETHODCALLTYPE get_Parent(IDispatch** Parent) = 0;               // 10
    OUTLOOK_UNUSED_SLOT(11)                                                             // get_Actions
    OUTLOOK_UNUSED_SLOT(12)                                                             // get_Attachments
    OUTLOOK_UNUSED_SLOT(13)                                                             // get_BillingInformation
    OUTLOOK_UNUSED_SLOT(14)                                                             // put_BillingInformation
    virtual HRESULT STDMETHODCALLTYPE get_Body(BSTR* Body) = 0;                         // 15
    virtual HRESULT STDMETHODCALLTYPE put_Body(BSTR Body) = 0;                          // 16
    OUTLOOK_UNUSED_SLOT(17)                                                             // get_Categories
    OUTLOOK_UNUSED_SLOT(18)                                                             // put_Categories
    OUTLOOK_UNUSED_SLOT(19)                                                             // get_Companies
    OUTLOOK_UNUSED_SLOT(20)                                                             // put_Companies
    OUTLOOK_UNUSED_SLOT(21)                                                             // get_ConversationIndex
    OUTLOOK_UNUSED_SLOT(22)                                                             // get_ConversationTopic
    OUTLOOK_UNUSED_SLOT(23)                                                             // get_CreationTime
    virtual HRESULT STDMETHODCALLTYPE get_EntryID(BSTR* EntryID) = 0;                   // 24
    OUTLOOK_UNUSED_SLOT(25)                                                             // get_FormDescription
    OUTLOOK_UNUSED_SLOT(26)                                                             // get_GetInspector
    OUTLOOK_UNUSED_SLOT(27)                                                             // get_Importance
    OUTLOOK_UNUSED_SLOT(28)                                                             // put_Importance
    OUTLOOK_UNUSED_SLOT(29)                                                             // get_LastModificationTime
    virtual HRESULT STDMETHODCALLTYPE get_MAPIOBJECT(IUnknown** MAPIOBJECT) = 0;        // 30
    virtual HRESULT STDMETHODCALLTYPE get_MessageClass(BSTR* MessageClass) = 0;         // 31
    OUTLOOK_UNUSED_SLOT(32)                                                             // put_MessageClass
    OUTLOOK_UNUSED_SLOT(33)                                                             // get_Mileage
    OUTLOOK_UNUSED_SLOT(34)                                                             // put_Mileage
    OUTLOOK_UNUSED_SLOT(35)                                                             // get_NoAging
    OUTLOOK_UNUSED_SLOT(36)                                                             // put_NoAging
    OUTLOOK_UNUSED_SLOT(37)                                                             // get_OutlookInternalVersion
    OUTLOOK_UNUSED_SLOT(38)                                                             // get_OutlookVersion
    OUTLOOK_UNUSED_SLOT(39)                                                             // get_Saved
    OUTLOOK_UNUSED_SLOT(40)                                                             // get_Sensitivity
    OUTLOOK_UNUSED_SLOT(41)                                                             // put_Sensitivity
    OUTLOOK_UNUSED_SLOT(42)                                                             // get_Size
    virtual HRESULT STDMETHODCALLTYPE get_Subject(BSTR* Subject) = 0;                   // 43
    virtual HRESULT STDMETHODCALLTYPE put_Subject(BSTR Subject) = 0;                    // 44
    OUTLOOK_UNUSED_SLOT(45)                                                             // get_UnRead
    OUTLOOK_UNUSED_SLOT(46)                                                             // put_UnRead
    OUTLOOK_UNUSED_SLOT(47)                                                             // get_UserProperties
    OUTLOOK_UNUSED_SLOT(48)                                                             // Close
    OUTLOOK_UNUSED_SLOT(49)                                                             // Copy
    OUTLOOK_UNUSED_SLOT(50)                                                             // Delete
    virtual HRESULT STDMETHODCALLTYPE Display(VARIANT Modal) = 0;                       // 51
    OUTLOOK_UNUSED_SLOT(52)                                                             // Move
    OUTLOOK_UNUSED_SLOT(53)                                                             // PrintOut
    OUTLOOK_UNUSED_SLOT(54)                                                             // Save
    OUTLOOK_UNUSED_SLOT(55)                                                             // SaveAs
    OUTLOOK_UNUSED_SLOT(56)                                                             // get_AlternateRecipientAllowed
    OUTLOOK_UNUSED_SLOT(57)                                                             // put_AlternateRecipientAllowed
    OUTLOOK_UNUSED_SLOT(58)                                                             // get_AutoForwarded
    OUTLOOK_UNUSED_SLOT(59)                                                             // put_AutoForwarded
    OUTLOOK_UNUSED_SLOT(60)                                                             // get_BCC
    OUTLOOK_UNUSED_SLOT(61)                                                             // put_BCC
    OUTLOOK_UNUSED_SLOT(62)                                                             // get_CC
    OUTLOOK_UNUSED_SLOT(63)                                                             // put_CC
    OUTLOOK_UNUSED_SLOT(64)                                                             // get_DeferredDeliveryTime
    OUTLOOK_UNUSED_SLOT(65)                                                             // put_DeferredDeliveryTime
    OUTLOOK_UNUSED_SLOT(66)                                                             // get_DeleteAfterSubmit
    OUTLOOK_UNUSED_SLOT(67)                                                             // put_DeleteAfterSubmit
    OUTLOOK_UNUSED_SLOT(68)                                                             // get_ExpiryTime
    OUTLOOK_UNUSED_SLOT(69)                                                             // put_ExpiryTime
    OUTLOOK_UNUSED_SLOT(70)                                                             // get_FlagDueBy
    OUTLOOK_UNUSED_SLOT(71)                                                             // put_FlagDueBy
    OUTLOOK_UNUSED_SLOT(72)                                                             // get_FlagRequest
    OUTLOOK_UNUSED_SLOT(73)                                                             // put_FlagRequest
    OUTLOOK_UNUSED_SLOT(74)                                                             // get_FlagStatus
    OUTLOOK_UNUSED_SLOT(75)                                                             // put_FlagStatus
    virtual HRESULT STDMETHODCALLTYPE get_HTMLBody(BSTR* HTMLBody) = 0;                 // 76
    OUTLOOK_UNUSED_SLOT(77)                                                             // put_HTMLBody
    OUTLOOK_UNUSED_SLOT(78)                                                             // get_OriginatorDeliveryReportRequested
    OUTLOOK_UNUSED_SLOT(79)                                                             // put_OriginatorDeliveryReportRequested
    OUTLOOK_UNUSED_SLOT(80)                                                             // get_ReadReceiptRequested
    OUTLOOK_UNUSED_SLOT(81)                                                             // put_ReadReceiptRequested
    OUTLOOK_UNUSED_SLOT(82)                                                             // get_ReceivedByEntryID
    OUTLOOK_UNUSED_SLOT(83)                                                             // get_ReceivedByName
    OUTLOOK_UNUSED_SLOT(84)                                                             // get_ReceivedOnBehalfOfEntryID
    OUTLOOK_UNUSED_SLOT(85)                                                             // get_ReceivedOnBehalfOfName
    OUTLOOK_UNUSED_SLOT(86)                                                             // get_ReceivedTime
    OUTLOOK_UNUSED_SLOT(87)                                                             // get_RecipientReassignmentProhibited
    OUTLOOK_UNUSED_SLOT(88)                                                             // put_RecipientReassignmentProhibited
    OUTLOOK_UNUSED_SLOT(89)                                                             // get_Recipients
    OUTLOOK_UNUSED_SLOT(90)                                                             // get_ReminderOverrideDefault
    OUTLOOK_UNUSED_SLOT(91)                                                             // put_ReminderOverrideDefault
    OUTLOOK_UNUSED_SLOT(92)                                                             // get_ReminderPlaySound
    OUTLOOK_UNUSED_SLOT(93)                                                             // put_ReminderPlaySound
    OUTLOOK_UNUSED_SLOT(94)                                                             // get_ReminderSet
    OUTLOOK_UNUSED_SLOT(95)                                                             // put_ReminderSet
    OUTLOOK_UNUSED_SLOT(96)                                                             // get_ReminderSoundFile
    OUTLOOK_UNUSED_SLOT(97)                                                             // put_ReminderSoundFile
    OUTLOOK_UNUSED_SLOT(98)                                                             // get_ReminderTime
    OUTLOOK_UNUSED_SLOT(99)                                                             // put_ReminderTime
    OUTLOOK_UNUSED_SLOT(100)                                                             // get_RemoteStatus
    OUTLOOK_UNUSED_SLOT(101)                                                            // put_RemoteStatus
    OUTLOOK_UNUSED_SLOT(102)                                                            // get_ReplyRecipientNames
    OUTLOOK_UNUSED_SLOT(103)                                                            // get_ReplyRecipients
    OUTLOOK_UNUSED_SLOT(104)                                                            // get_SaveSentMessageFolder
    OUTLOOK_UNUSED_SLOT(105)                                                            // putref_SaveSentMessageFolder
    virtual HRESULT STDMETHODCALLTYPE get_SenderName(BSTR* SenderName) = 0;             // 106
    OUTLOOK_UNUSED_SLOT(107)                                                            // get_Sent
    OUTLOOK_UNUSED_SLOT(108)                                                            // get_SentOn
    OUTLOOK_UNUSED_SLOT(109)                                                            // get_SentOnBehalfOfName
    OUTLOOK_UNUSED_SLOT(110)                                                            // put_SentOnBehalfOfName
    OUTLOOK_UNUSED_SLOT(111)                                                            // get_Submitted
    OUTLOOK_UNUSED_SLOT(112)                                                            // get_To
    OUTLOOK_UNUSED_SLOT(113)                                                            // put_To
    OUTLOOK_UNUSED_SLOT(114)                                                            // get_VotingOptions
    OUTLOOK_UNUSED_SLOT(115)                                                            // put_VotingOptions
    OUTLOOK_UNUSED_SLOT(116)                                                            // get_VotingResponse
    OUTLOOK_UNUSED_SLOT(117)                                                            // put_VotingResponse
    OUTLOOK_UNUSED_SLOT(118)                                                            // ClearConversationIndex
    OUTLOOK_UNUSED_SLOT(119)                                                            // Forward
    OUTLOOK_UNUSED_SLOT(120)                                                            // Reply
    OUTLOOK_UNUSED_SLOT(121)                                                            // ReplyAll
    OUTLOOK_UNUSED_SLOT(122)                                                            // Send
    OUTLOOK_UNUSED_SLOT(123)                                                            // get_Links
    OUTLOOK_UNUSED_SLOT(124)                                                            // get_ItemProperties
    virtual HRESULT STDMETHODCALLTYPE get_BodyFormat(OlBodyFormat* BodyFormat) = 0;     // 125
    OUTLOOK_UNUSED_SLOT(126)                                                            // put_BodyFormat
    OUTLOOK_UNUSED_SLOT(127)                                                            // get_DownloadState
    OUTLOOK_UNUSED_SLOT(128)                                                            // ShowCategoriesDialog
    OUTLOOK_UNUSED_SLOT(129)                                                            // get_InternetCodepage
    OUTLOOK_UNUSED_SLOT(130)                                                            // put_InternetCodepage
    OUTLOOK_UNUSED_SLOT(131)                                                            // get_MarkForDownload
    OUTLOOK_UNUSED_SLOT(132)                                                            // put_MarkForDownload
    OUTLOOK_UNUSED_SLOT(133)                                                            // get_IsConflict
    OUTLOOK_UNUSED_SLOT(134)                                                            // get_IsIPFax
    OUTLOOK_UNUSED_SLOT(135)                                                            // put_IsIPFax
    OUTLOOK_UNUSED_SLOT(136)                                                            // get_FlagIcon
    OUTLOOK_UNUSED_SLOT(137)                                                            // put_FlagIcon
    OUTLOOK_UNUSED_SLOT(138)                                                            // get_HasCoverSheet
    OUTLOOK_UNUSED_SLOT(139)                                                            // put_HasCoverSheet
    OUTLOOK_UNUSED_SLOT(140)                                                            // get_AutoResolvedWinner
    OUTLOOK_UNUSED_SLOT(141)                                                            // get_Conflicts
    virtual HRESULT STDMETHODCALLTYPE get_SenderEmailAddress(BSTR* SenderEmailAddress) = 0; // 142
    virtual HRESULT STDMETHODCALLTYPE get_SenderEmailType(BSTR* SenderEmailType) = 0;   // 143
    OUTLOOK_UNUSED_SLOT(144)                                                            // get_EnableSharedAttachments
    OUTLOOK_UNUSED_SLOT(145)                                                            // put_EnableSharedAttachments
    OUTLOOK_UNUSED_SLOT(146)                                                            // get_Permission
    OUTLOOK_UNUSED_SLOT(147)                                                            // put_Permission
    OUTLOOK_UNUSED_SLOT(148)                                                            // get_PermissionService
    OUTLOOK_UNUSED_SLOT(149)                                                            // put_PermissionService
    virtual HRESULT STDMETHODCALLTYPE get_PropertyAccessor(_PropertyAccessor** PropertyAccessor) = 0; // 150
};

} // namespace Outlook

#undef OUTLOOK_UNUSED_SLOT
