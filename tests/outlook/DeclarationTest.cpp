// The Outlook and Office interfaces of sdk/ against the type libraries' own tables, typed in here apart
// from the headers: a wrong slot sends a call to another method of the real Outlook, and nothing of ours
// would notice, since the host implements the same declarations. Every declared member is called through
// its declaration on a probe object whose vtable records the slot that was reached.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <stdexcept>
#include <string>
#include <typeinfo>
#include <utility>
#include <vector>

#include <msaddndr.h>
#include <mso.h>
#include <outlook.h>

#include "addin/Connect.h"
#include "addin/ReadWindowSink.h"

// On x86-64 both Linux and Windows have one calling convention, so one probe signature serves every member:
// the caller passes the arguments and cleans up, and the probe reads none of them.
static_assert(sizeof(void*) == 8, "the vtable probe relies on x86-64's single calling convention");

namespace {

constexpr size_t kProbeSlots = 200;

struct Probe {
    const void* const* vtable;
    long reached = -1;
};

template <size_t N> HRESULT STDMETHODCALLTYPE Reach(void* self)
{
    static_cast<Probe*>(self)->reached = long(N);
    return S_OK;
}

// A vtable as the Itanium ABI lays it out (both compilers use it): the offset to the object's top and the
// type's RTTI sit before slot 0, so that the sanitizer's check of the dynamic type sees an object of type I.
template <class I, size_t... N> const void* const* ProbeTable(std::index_sequence<N...>)
{
    static const void* const table[] = {nullptr, &typeid(I), reinterpret_cast<const void*>(&Reach<N>)...};
    return table + 2;
}

// The probe seen as interface I; the barrier keeps the compiler from reasoning about the object's real type.
template <class I> I* As(Probe* probe)
{
    void* raw = probe;
    asm volatile("" : "+r"(raw));
    return static_cast<I*>(raw);
}

std::string Text(const GUID& g)
{
    char s[40];
    std::snprintf(s, sizeof s, "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", (unsigned long)g.Data1,
                  unsigned(g.Data2), unsigned(g.Data3), g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4],
                  g.Data4[5], g.Data4[6], g.Data4[7]);
    return s;
}

std::string Hex(long id)
{
    char s[16];
    std::snprintf(s, sizeof s, "0x%04lX", (unsigned long)id);
    return s;
}

struct Member {
    std::string name;
    long slot;
    DISPID dispid;
    std::function<long()> reached; // the slot a call through the sdk's declaration lands on
};

struct Interface {
    std::string library; // the namespace of the import
    std::string name;
    std::string iid;  // the type library's
    GUID declared;    // __uuidof of the sdk's declaration
    std::vector<Member> members;
};

template <class I> struct Table {
    Interface facts;

    Table(const char* library, const char* name, const char* iid) : facts{library, name, iid, __uuidof(I), {}} {}

    Table&& Has(const char* name, long slot, DISPID dispid, HRESULT (*call)(I*)) &&
    {
        facts.members.push_back({name, slot, dispid, [call] {
                                     Probe probe{ProbeTable<I>(std::make_index_sequence<kProbeSlots>())};
                                     call(As<I>(&probe));
                                     return probe.reached;
                                 }});
        return std::move(*this);
    }
};

#define CALL(expr) [](auto* p) { return p->expr; }

// Every Outlook interface starts with these four after IDispatch.
template <class I> Table<I> OutlookTable(const char* name, const char* iid)
{
    return Table<I>("Outlook", name, iid)
        .Has("get_Application", 7, 0xF000, CALL(get_Application(nullptr)))
        .Has("get_Class", 8, 0xF00A, CALL(get_Class(nullptr)))
        .Has("get_Session", 9, 0xF00B, CALL(get_Session(nullptr)))
        .Has("get_Parent", 10, 0xF001, CALL(get_Parent(nullptr)));
}

const std::vector<Interface>& Interfaces()
{
    using namespace AddInDesignerObjects;
    static const VARIANT none{};
    static const std::vector<Interface> all = {
        OutlookTable<Outlook::_Application>("_Application", "{00063001-0000-0000-C000-000000000046}")
            .Has("get_Version", 13, 0x0116, CALL(get_Version(nullptr)))
            .Has("ActiveExplorer", 14, 0x0111, CALL(ActiveExplorer(nullptr)))
            .Has("ActiveInspector", 15, 0x0112, CALL(ActiveInspector(nullptr)))
            .Has("CreateItem", 16, 0x010A, CALL(CreateItem(Outlook::olMailItem, nullptr)))
            .Has("get_Inspectors", 23, 0x011A, CALL(get_Inspectors(nullptr)))
            .facts,
        OutlookTable<Outlook::_NameSpace>("_NameSpace", "{00063002-0000-0000-C000-000000000046}").facts,
        OutlookTable<Outlook::_Explorer>("_Explorer", "{00063003-0000-0000-C000-000000000046}")
            .Has("get_Selection", 24, 0x2202, CALL(get_Selection(nullptr)))
            .facts,
        OutlookTable<Outlook::Selection>("Selection", "{00063087-0000-0000-C000-000000000046}")
            .Has("get_Count", 11, 0x0050, CALL(get_Count(nullptr)))
            .Has("Item", 12, 0x0051, CALL(Item(none, nullptr)))
            .facts,
        OutlookTable<Outlook::_PropertyAccessor>("_PropertyAccessor", "{0006302D-0000-0000-C000-000000000046}")
            .Has("GetProperty", 11, 0xFAFB, CALL(GetProperty(nullptr, nullptr)))
            .facts,
        OutlookTable<Outlook::_Inspector>("_Inspector", "{00063005-0000-0000-C000-000000000046}")
            .Has("get_CurrentItem", 12, 0x2102, CALL(get_CurrentItem(nullptr)))
            .facts,
        OutlookTable<Outlook::_Inspectors>("_Inspectors", "{00063008-0000-0000-C000-000000000046}")
            .Has("get_Count", 11, 0x0050, CALL(get_Count(nullptr)))
            .facts,
        OutlookTable<Outlook::_MailItem>("_MailItem", "{00063034-0000-0000-C000-000000000046}")
            .Has("get_Body", 15, 0x9100, CALL(get_Body(nullptr)))
            .Has("put_Body", 16, 0x9100, CALL(put_Body(nullptr)))
            .Has("get_EntryID", 24, 0xF01E, CALL(get_EntryID(nullptr)))
            .Has("get_MAPIOBJECT", 30, 0xF100, CALL(get_MAPIOBJECT(nullptr)))
            .Has("get_MessageClass", 31, 0x001A, CALL(get_MessageClass(nullptr)))
            .Has("get_Subject", 43, 0x0037, CALL(get_Subject(nullptr)))
            .Has("put_Subject", 44, 0x0037, CALL(put_Subject(nullptr)))
            .Has("Display", 51, 0xF0A6, CALL(Display(none)))
            .Has("get_HTMLBody", 76, 0xF404, CALL(get_HTMLBody(nullptr)))
            .Has("get_SenderName", 106, 0x0C1A, CALL(get_SenderName(nullptr)))
            .Has("get_BodyFormat", 125, 0xFA49, CALL(get_BodyFormat(nullptr)))
            .Has("get_SenderEmailAddress", 142, 0x0C1F, CALL(get_SenderEmailAddress(nullptr)))
            .Has("get_SenderEmailType", 143, 0x0C1E, CALL(get_SenderEmailType(nullptr)))
            .Has("get_PropertyAccessor", 150, 0xFAFD, CALL(get_PropertyAccessor(nullptr)))
            .facts,
        // Slots 9 to 12 exist from Office 2010 on.
        Table<Office::IRibbonUI>("Office", "IRibbonUI", "{000C03A7-0000-0000-C000-000000000046}")
            .Has("Invalidate", 7, 1, CALL(Invalidate()))
            .Has("InvalidateControl", 8, 2, CALL(InvalidateControl(nullptr)))
            .Has("InvalidateControlMso", 9, 3, CALL(InvalidateControlMso(nullptr)))
            .Has("ActivateTab", 10, 4, CALL(ActivateTab(nullptr)))
            .Has("ActivateTabMso", 11, 5, CALL(ActivateTabMso(nullptr)))
            .Has("ActivateTabQ", 12, 6, CALL(ActivateTabQ(nullptr, nullptr)))
            .facts,
        Table<Office::IRibbonControl>("Office", "IRibbonControl", "{000C0395-0000-0000-C000-000000000046}")
            .Has("get_Id", 7, 1, CALL(get_Id(nullptr)))
            .Has("get_Context", 8, 2, CALL(get_Context(nullptr)))
            .Has("get_Tag", 9, 3, CALL(get_Tag(nullptr)))
            .facts,
        Table<Office::IRibbonExtensibility>("Office", "IRibbonExtensibility", "{000C0396-0000-0000-C000-000000000046}")
            .Has("GetCustomUI", 7, 1, CALL(GetCustomUI(nullptr, nullptr)))
            .facts,
        Table<_IDTExtensibility2>("AddInDesignerObjects", "_IDTExtensibility2",
                                  "{B65AD801-ABAF-11D0-BB8B-00A0C90F2744}")
            .Has("OnConnection", 7, 1, CALL(OnConnection(nullptr, ext_cm_Startup, nullptr, nullptr)))
            .Has("OnDisconnection", 8, 2, CALL(OnDisconnection(ext_dm_HostShutdown, nullptr)))
            .Has("OnAddInsUpdate", 9, 3, CALL(OnAddInsUpdate(nullptr)))
            .Has("OnStartupComplete", 10, 4, CALL(OnStartupComplete(nullptr)))
            .Has("OnBeginShutdown", 11, 5, CALL(OnBeginShutdown(nullptr)))
            .facts,
    };
    return all;
}

#undef CALL

const Interface& Find(const std::string& name)
{
    for (const auto& i : Interfaces())
        if (i.name == name)
            return i;
    throw std::runtime_error("no table for " + name);
}

class Declaration : public ::testing::TestWithParam<std::string> {};

TEST_P(Declaration, EveryMemberIsCalledAtItsSlot)
{
    const Interface& i = Find(GetParam());
    for (const auto& m : i.members) {
        long found = m.reached();
        if (found != m.slot)
            ADD_FAILURE() << i.library << "::" << i.name << "::" << m.name << " is at vtable slot " << m.slot
                          << " in the type library, but a call through the declaration reaches slot " << found;
    }
}

TEST_P(Declaration, HasTheTypeLibrarysId)
{
    const Interface& i = Find(GetParam());
    EXPECT_EQ(i.iid, Text(i.declared)) << "__uuidof(" << i.library << "::" << i.name << ")";
}

// A check of the table typed in above, so that a slip in it does not hide one in the headers.
TEST_P(Declaration, TableHasEachSlotOnceInOrder)
{
    const Interface& i = Find(GetParam());
    long last = 6;
    for (const auto& m : i.members) {
        EXPECT_GT(m.slot, last) << i.name << "::" << m.name;
        last = m.slot;
    }
}

std::vector<std::string> InterfaceNames()
{
    std::vector<std::string> names;
    for (const auto& i : Interfaces())
        names.push_back(i.name);
    return names;
}

INSTANTIATE_TEST_SUITE_P(Sdk, Declaration, ::testing::ValuesIn(InterfaceNames()),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });

// Each dispatch id constant of the Outlook namespace, with the member it stands for on every interface that
// declares that member.
TEST(OutlookDispatchIds, EachConstantIsTheTypeLibrarysIdOfItsMember)
{
    const std::pair<const char*, std::pair<long, const char*>> constants[] = {
        {"dispidApplication", {Outlook::dispidApplication, "get_Application"}},
        {"dispidParent", {Outlook::dispidParent, "get_Parent"}},
        {"dispidClass", {Outlook::dispidClass, "get_Class"}},
        {"dispidSession", {Outlook::dispidSession, "get_Session"}},
        {"dispidVersion", {Outlook::dispidVersion, "get_Version"}},
        {"dispidActiveExplorer", {Outlook::dispidActiveExplorer, "ActiveExplorer"}},
        {"dispidActiveInspector", {Outlook::dispidActiveInspector, "ActiveInspector"}},
        {"dispidCreateItem", {Outlook::dispidCreateItem, "CreateItem"}},
        {"dispidInspectors", {Outlook::dispidInspectors, "get_Inspectors"}},
        {"dispidSelection", {Outlook::dispidSelection, "get_Selection"}},
        {"dispidCurrentItem", {Outlook::dispidCurrentItem, "get_CurrentItem"}},
        {"dispidCount", {Outlook::dispidCount, "get_Count"}},
        {"dispidItem", {Outlook::dispidItem, "Item"}},
        {"dispidBody", {Outlook::dispidBody, "get_Body"}},
        {"dispidEntryID", {Outlook::dispidEntryID, "get_EntryID"}},
        {"dispidMAPIOBJECT", {Outlook::dispidMAPIOBJECT, "get_MAPIOBJECT"}},
        {"dispidMessageClass", {Outlook::dispidMessageClass, "get_MessageClass"}},
        {"dispidSubject", {Outlook::dispidSubject, "get_Subject"}},
        {"dispidDisplay", {Outlook::dispidDisplay, "Display"}},
        {"dispidHTMLBody", {Outlook::dispidHTMLBody, "get_HTMLBody"}},
        {"dispidSenderName", {Outlook::dispidSenderName, "get_SenderName"}},
        {"dispidBodyFormat", {Outlook::dispidBodyFormat, "get_BodyFormat"}},
        {"dispidSenderEmailAddress", {Outlook::dispidSenderEmailAddress, "get_SenderEmailAddress"}},
        {"dispidSenderEmailType", {Outlook::dispidSenderEmailType, "get_SenderEmailType"}},
        {"dispidPropertyAccessor", {Outlook::dispidPropertyAccessor, "get_PropertyAccessor"}},
    };
    for (const auto& [constant, of] : constants) {
        int members = 0;
        for (const auto& i : Interfaces()) {
            for (const auto& m : i.members) {
                if (i.library != "Outlook" || m.name != of.second)
                    continue;
                ++members;
                if (m.dispid != of.first)
                    ADD_FAILURE() << "Outlook::" << constant << " is " << Hex(of.first)
                                  << ", but the type library gives " << i.name << "::" << m.name << " "
                                  << Hex(m.dispid);
            }
        }
        EXPECT_GT(members, 0) << "Outlook::" << constant << ": no member " << of.second << " in the tables";
    }
}

struct EventSource {
    std::string name;
    std::string diid;
    GUID declared;
    std::vector<std::pair<std::string, DISPID>> events;
};

const std::vector<EventSource>& EventSources()
{
    static const std::vector<EventSource> all = {
        {"ExplorerEvents_10", "{0006300F-0000-0000-C000-000000000046}", __uuidof(Outlook::ExplorerEvents_10),
         {{"Activate", 0xF001}, {"SelectionChange", 0xF007}, {"Close", 0xF008}}},
        {"InspectorEvents_10", "{0006302A-0000-0000-C000-000000000046}", __uuidof(Outlook::InspectorEvents_10),
         {{"Activate", 0xF001}, {"Close", 0xF008}}},
        {"InspectorsEvents", "{00063079-0000-0000-C000-000000000046}", __uuidof(Outlook::InspectorsEvents),
         {{"NewInspector", 0xF001}}},
    };
    return all;
}

const EventSource& Source(const std::string& name)
{
    for (const auto& s : EventSources())
        if (s.name == name)
            return s;
    throw std::runtime_error("no event source " + name);
}

DISPID EventId(const std::string& source, const std::string& event)
{
    for (const auto& s : EventSources())
        for (const auto& [name, id] : s.events)
            if (s.name == source && name == event)
                return id;
    throw std::runtime_error("no event " + source + "." + event);
}

TEST(OutlookEvents, SourcesHaveTheTypeLibrarysIds)
{
    for (const auto& s : EventSources())
        EXPECT_EQ(s.diid, Text(s.declared)) << "__uuidof(Outlook::" << s.name << ")";
}

TEST(OutlookEvents, SinksMatchTheTypeLibrarysEventIds)
{
    const struct {
        const char* constant;
        long value;
        const char* source;
        const char* event;
    } constants[] = {
        {"dispidSelectionChange", Outlook::dispidSelectionChange, "ExplorerEvents_10", "SelectionChange"},
        {"dispidEventActivate", Outlook::dispidEventActivate, "ExplorerEvents_10", "Activate"},
        {"dispidEventClose", Outlook::dispidEventClose, "ExplorerEvents_10", "Close"},
        {"dispidEventActivate", Outlook::dispidEventActivate, "InspectorEvents_10", "Activate"},
        {"dispidEventClose", Outlook::dispidEventClose, "InspectorEvents_10", "Close"},
        {"dispidNewInspector", Outlook::dispidNewInspector, "InspectorsEvents", "NewInspector"},
    };
    for (const auto& c : constants) {
        DISPID id = EventId(c.source, c.event);
        if (id != c.value)
            ADD_FAILURE() << "Outlook::" << c.constant << " is " << Hex(c.value) << ", but the type library gives "
                          << c.source << "::" << c.event << " " << Hex(id);
    }
}

// The add-in keeps its own copies of some ids, for ATL's dispatch and sink templates.
TEST(AddinIds, CopiesMatchTheTypeLibraries)
{
    EXPECT_EQ(Source("ExplorerEvents_10").diid, Text(DIID_ExplorerEvents_10)) << "DIID_ExplorerEvents_10";
    EXPECT_EQ(Source("InspectorEvents_10").diid, Text(DIID_InspectorEvents_10)) << "DIID_InspectorEvents_10";
    EXPECT_EQ(Source("InspectorsEvents").diid, Text(DIID_InspectorsEvents)) << "DIID_InspectorsEvents";
    EXPECT_EQ(Find("_IDTExtensibility2").iid, Text(IID__IDTExtensibility2)) << "IID__IDTExtensibility2";
    EXPECT_EQ(Find("IRibbonExtensibility").iid, Text(IID_IRibbonExtensibility)) << "IID_IRibbonExtensibility";
    EXPECT_EQ("{2DF8D04C-5BFA-101B-BDE5-00AA0044DE52}", Text(LIBID_Office)) << "LIBID_Office";
    EXPECT_EQ("{AC0714F2-3D04-11D1-AE7D-00A0C90F26F4}", Text(LIBID_AddInDesignerObjects))
        << "LIBID_AddInDesignerObjects";
}

// The values Office passes to OnConnection and OnDisconnection.
TEST(AddinDesigner, ConnectModesAreTheTypeLibrarys)
{
    EXPECT_EQ(0, AddInDesignerObjects::ext_cm_AfterStartup);
    EXPECT_EQ(1, AddInDesignerObjects::ext_cm_Startup);
    EXPECT_EQ(2, AddInDesignerObjects::ext_cm_External);
    EXPECT_EQ(3, AddInDesignerObjects::ext_cm_CommandLine);
    EXPECT_EQ(0, AddInDesignerObjects::ext_dm_HostShutdown);
    EXPECT_EQ(1, AddInDesignerObjects::ext_dm_UserClosed);
}

} // namespace
