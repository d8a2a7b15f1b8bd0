// The ribbon host asks what Office asks: a gallery's items only when a person opens it, from the cache until
// the gallery is invalidated, and never for a gallery that cannot be opened.
#include <atlbase.h>

#include <algorithm>

#include "FakeAddin.h"
#include "host/ribbon/RibbonHost.h"
#include "host/ribbon/RibbonRender.h"

using namespace show_test;

namespace {

std::string Tag(int id) { return "_Office_Addin_Ctrl_Tag_" + std::to_string(id); }

const std::string kGroup = Tag(1037), kHiddenGroup = Tag(1065);
const std::string kGallery = Tag(1038), kDisabled = Tag(1039), kOnDrop = Tag(1040), kInHidden = Tag(1041),
                  kUnknownCount = Tag(1042), kUnknownOnDrop = Tag(1043);
const std::string kNoImage = Tag(1066), kImage = Tag(1067);

std::string GalleryXml(int id, const std::string& extra = "", const std::string& count = "GetItemCountCB")
{
    return "<gallery id=\"" + Tag(id) + "\" columns=\"1\" getEnabled=\"GetIsEnabledCB\" getVisible=\"GetIsVisibleCB\" "
           "showImage=\"true\" getImage=\"GetImageCB\" getItemCount=\"" + count + "\" getItemLabel=\"GetItemLabelCB\" "
           "showItemImage=\"true\" getItemImage=\"GetItemImageCB\" getItemHeight=\"GetItemHeightCB\" "
           "getItemWidth=\"GetItemWidthCB\" getItemScreentip=\"GetItemScreenTipCB\" "
           "getItemSupertip=\"GetItemSuperTipCB\"" + extra + "/>";
}

const std::string kCustomUI =
    "<customUI xmlns=\"http://schemas.microsoft.com/office/2006/01/customui\" onLoad=\"OnLoadCB\"><ribbon><tabs>"
    "<tab id=\"" + Tag(1000) + "\" getLabel=\"GetLabelCB\" getVisible=\"GetIsVisibleCB\">"
    "<group id=\"" + kGroup + "\" getLabel=\"GetLabelCB\" getVisible=\"GetIsVisibleCB\">" +
    GalleryXml(1038) + GalleryXml(1039) + GalleryXml(1040, " invalidateContentOnDrop=\"true\"") +
    GalleryXml(1042, "", "NoSuchCountCB") + GalleryXml(1043, " invalidateContentOnDrop=\"true\"", "NoSuchCountCB") +
    "<button id=\"" + kNoImage + "\" showImage=\"false\" getImage=\"GetImageCB\" getLabel=\"GetLabelCB\" "
    "getEnabled=\"GetIsEnabledCB\"/>"
    "<button id=\"" + kImage + "\" getImage=\"GetImageCB\" getEnabled=\"GetIsEnabledCB\"/>"
    "</group>"
    "<group id=\"" + kHiddenGroup + "\" getVisible=\"GetIsVisibleCB\">" + GalleryXml(1041) + "</group>"
    "</tab></tabs></ribbon></customUI>";

bool IsContentCall(const Call& c) { return c.name.rfind("GetItem", 0) == 0; }

class RibbonHostTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        addin.Attach(new FakeAddin(kCustomUI));
        addin->itemCounts = {{kGallery, 3}, {kDisabled, 2}, {kOnDrop, 1}, {kInHidden, 4}};
        addin->supertips = {{kGallery, "link"}};
        addin->enabled[kDisabled] = false;
        addin->visible[kHiddenGroup] = false;
        CComPtr<IDispatch> callbacks;
        addin->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&callbacks));
        host = std::make_unique<ribbon::RibbonHost>(callbacks, nullptr);
        std::string error;
        ASSERT_TRUE(host->Load(kCustomUI, error)) << error;
        ASSERT_EQ(host->CallOnLoad(), S_OK);
        host->Refresh();
    }
    size_t ContentCalls(const std::string& control) const
    {
        return size_t(std::count_if(addin->calls.begin(), addin->calls.end(),
                                    [&](const Call& c) { return IsContentCall(c) && c.control == control; }));
    }
    ribbon::Control Model(const std::string& id)
    {
        ribbon::Ribbon model = host->Model();
        ribbon::Control* c = ribbon::FindControl(model, id);
        return c ? *c : ribbon::Control();
    }
    void InvalidateControl(const std::string& id)
    {
        ASSERT_EQ(addin->ribbonUI->InvalidateControl(CComBSTR(pal::ToWide(id).c_str())), S_OK);
    }

    CComPtr<FakeAddin> addin;
    std::unique_ptr<ribbon::RibbonHost> host;
};

TEST_F(RibbonHostTest, DrawingTheRibbonAsksNoItemsAndAGalleryThatCannotOpenNeverIsAsked)
{
    for (const Call& c : addin->calls)
        EXPECT_FALSE(IsContentCall(c)) << c.name << " of " << c.control;
    std::string reason;
    EXPECT_FALSE(host->Open("1039", reason));
    EXPECT_EQ(reason, "gallery 1039 is disabled: it cannot be opened");
    EXPECT_FALSE(host->Open(kInHidden, reason));
    EXPECT_EQ(reason, "gallery 1041 is inside a hidden group 1065: it cannot be opened");
    EXPECT_FALSE(host->Open("1066", reason));
    EXPECT_EQ(reason, "button 1066 is not a gallery");
    EXPECT_FALSE(host->Open("9999", reason));
    EXPECT_EQ(reason, "no control 9999 on the tab");

    // Every gallery that opens, in document order; the disabled and the hidden ones are not.
    EXPECT_EQ(host->OpenGalleries(), 4);
    EXPECT_EQ(ContentCalls(kDisabled), 0u);
    EXPECT_EQ(ContentCalls(kInHidden), 0u);
    EXPECT_GT(ContentCalls(kGallery), 0u);
    EXPECT_GT(ContentCalls(kOnDrop), 0u);
    // A whole-ribbon invalidation does not make them openable either.
    addin->ribbonUI->Invalidate();
    host->OpenGalleries();
    EXPECT_EQ(ContentCalls(kDisabled), 0u);
    EXPECT_EQ(ContentCalls(kInHidden), 0u);

    EXPECT_FALSE(Model(kDisabled).itemCount);
    EXPECT_TRUE(Model(kDisabled).items.empty());
    ribbon::ShownMessage shown;
    shown.ribbon = host->Model();
    std::string text = ribbon::RenderText(shown);
    size_t disabled = text.find("gallery  1039");
    ASSERT_NE(disabled, std::string::npos) << text;
    EXPECT_EQ(text.find("items:", disabled), text.find("items:", text.find("gallery  1040"))) << text;
}

TEST_F(RibbonHostTest, AnOpenedGalleryShowsItsCachedItemsUntilItIsInvalidated)
{
    addin->calls.clear();
    std::string reason;
    ASSERT_TRUE(host->Open("1038", reason)) << reason;
    // Count and size first, then each item with its own index.
    std::vector<std::string> names;
    std::vector<int> indexes;
    for (const Call& c : addin->calls) {
        names.push_back(c.name);
        if (c.name == "GetItemSuperTipCB")
            indexes.push_back(c.index);
    }
    ASSERT_GE(names.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(names.begin(), names.begin() + 3),
              (std::vector<std::string>{"GetItemCountCB", "GetItemHeightCB", "GetItemWidthCB"}));
    EXPECT_EQ(indexes, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(addin->argumentErrors, std::vector<std::string>());
    EXPECT_EQ(Model(kGallery).items.size(), 3u);
    EXPECT_EQ(Model(kGallery).items[1].supertip, "link 1");

    addin->calls.clear();
    ASSERT_TRUE(host->Open("1038", reason));
    EXPECT_EQ(addin->calls.size(), 0u) << "the cached items show";
    EXPECT_EQ(Model(kGallery).items.size(), 3u);
    // Another control's invalidation leaves the gallery's cache alone.
    InvalidateControl(kGroup);
    ASSERT_TRUE(host->Open("1038", reason));
    EXPECT_EQ(ContentCalls(kGallery), 0u);

    addin->itemCounts[kGallery] = 2;
    InvalidateControl(kGallery);
    EXPECT_TRUE(Model(kGallery).items.empty()) << "an invalidated gallery shows nothing until opened again";
    host->Refresh();
    EXPECT_EQ(ContentCalls(kGallery), 0u) << "redrawing the gallery does not open it";
    EXPECT_EQ(addin->CallsOf("GetIsEnabledCB", kGallery), 1u);
    ASSERT_TRUE(host->Open("1038", reason));
    EXPECT_EQ(addin->CallsOf("GetItemCountCB", kGallery), 1u);
    EXPECT_EQ(Model(kGallery).items.size(), 2u);

    addin->ribbonUI->Invalidate();
    ASSERT_TRUE(host->Open("1038", reason));
    EXPECT_EQ(addin->CallsOf("GetItemCountCB", kGallery), 2u);
}

TEST_F(RibbonHostTest, InvalidateContentOnDropAsksAtEveryOpening)
{
    std::string reason;
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(host->Open(kOnDrop, reason)) << reason;
    EXPECT_EQ(addin->CallsOf("GetItemCountCB", kOnDrop), 3u);
    EXPECT_EQ(addin->CallsOf("GetItemImageCB", kOnDrop), 3u);
    EXPECT_EQ(Model(kOnDrop).items.size(), 1u);
}

TEST_F(RibbonHostTest, AGalleryEnabledOrDisabledLaterFollowsItsInvalidation)
{
    std::string reason;
    addin->enabled[kDisabled] = true;
    InvalidateControl(kDisabled);
    ASSERT_TRUE(host->Open("1039", reason)) << reason;
    EXPECT_EQ(Model(kDisabled).items.size(), 2u);

    addin->enabled[kDisabled] = false;
    InvalidateControl(kDisabled);
    EXPECT_FALSE(host->Open("1039", reason)) << "the invalidation is drawn before the person clicks";
    EXPECT_FALSE(Model(kDisabled).itemCount);
    EXPECT_TRUE(Model(kDisabled).items.empty());

    // A gallery in a group that comes into view opens then, and not before.
    EXPECT_EQ(ContentCalls(kInHidden), 0u);
    addin->visible[kHiddenGroup] = true;
    InvalidateControl(kHiddenGroup);
    ASSERT_TRUE(host->Open(kInHidden, reason)) << reason;
    EXPECT_EQ(Model(kInHidden).items.size(), 4u);
}

TEST_F(RibbonHostTest, TheFailuresOfAnOpeningStayUntilTheGalleryIsInvalidated)
{
    std::string reason;
    ASSERT_TRUE(host->Open(kUnknownCount, reason));
    const std::string failure = "NoSuchCountCB: 0x80020006";
    EXPECT_EQ(Model(kUnknownCount).errors, std::vector<std::string>{failure});
    EXPECT_FALSE(Model(kUnknownCount).itemCount);
    // Hidden and shown again, the gallery is asked afresh but not opened: the failure is still its own.
    addin->visible[kGroup] = false;
    InvalidateControl(kGroup);
    host->Refresh();
    addin->visible[kGroup] = true;
    InvalidateControl(kGroup);
    size_t asked = addin->CallsOf("GetIsVisibleCB", kUnknownCount);
    host->Refresh();
    EXPECT_EQ(addin->CallsOf("GetIsVisibleCB", kUnknownCount), asked + 1);
    EXPECT_EQ(Model(kUnknownCount).errors, std::vector<std::string>{failure});
    InvalidateControl(kUnknownCount);
    EXPECT_EQ(Model(kUnknownCount).errors, std::vector<std::string>()) << "forgotten with the content";
    host->Refresh();
    EXPECT_EQ(Model(kUnknownCount).errors, std::vector<std::string>());
    ASSERT_TRUE(host->Open(kUnknownCount, reason));
    EXPECT_EQ(Model(kUnknownCount).errors, std::vector<std::string>{failure});
    // Asked at every opening, it reports the failure of the last one alone.
    ASSERT_TRUE(host->Open(kUnknownOnDrop, reason));
    ASSERT_TRUE(host->Open(kUnknownOnDrop, reason));
    EXPECT_EQ(Model(kUnknownOnDrop).errors, std::vector<std::string>{failure});
}

TEST_F(RibbonHostTest, AControlThatShowsNoImageIsNotAskedForOne)
{
    EXPECT_EQ(addin->CallsOf("GetImageCB", kNoImage), 0u);
    EXPECT_EQ(addin->CallsOf("GetLabelCB", kNoImage), 1u);
    EXPECT_EQ(addin->CallsOf("GetImageCB", kImage), 1u) << "a button shows its image unless told not to";
    // Nothing inside the hidden group is asked, not even whether it is shown.
    EXPECT_EQ(addin->CallsOf("GetIsVisibleCB", kInHidden), 0u);
    EXPECT_EQ(addin->CallsOf("GetImageCB", kInHidden), 0u);
}

} // namespace
