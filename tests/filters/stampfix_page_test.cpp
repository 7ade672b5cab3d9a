// The Stampfix property page driven without a display: connecting, showing the settings,
// typing and clicking, applying, and its dialog template.
#include "filters/stampfix/stampfix_page.h"

#include <gtest/gtest.h>

#include "filters/stampfix/stampfix_filter.h"
#include "platform/com/task_memory.h"
#include "platform/media/interfaces/property_pages.h"

namespace {

class RecordingSite final : public ComObject<IPropertyPageSite> {
public:
    std::vector<DWORD> changes;
    HRESULT OnStatusChange(DWORD flags) override {
        changes.push_back(flags);
        return S_OK;
    }
    HRESULT GetLocaleID(LCID* locale) override {
        *locale = 0x411;
        return S_OK;
    }
    HRESULT GetPageContainer(IUnknown** container) override {
        *container = nullptr;
        return E_NOTIMPL;
    }
    HRESULT TranslateAccelerator(MSG*) override { return S_FALSE; }
};

class StampfixPageTest : public ::testing::Test {
protected:
    void SetUp() override {
        HRESULT hr = E_FAIL;
        page = ComPtr<CBasePropertyPage>::Attach(
            static_cast<CBasePropertyPage*>(static_cast<IPropertyPage*>(CStampfixPropertyPage::CreateInstance(nullptr, &hr))));
        ASSERT_EQ(S_OK, hr);
        ASSERT_EQ(S_OK, page->SetPageSite(site.Get()));
        IUnknown* object = filter->GetUnknown();
        ASSERT_EQ(S_OK, page->SetObjects(1, &object));
    }
    void TearDown() override {
        if (page->GetDialog()) page->Deactivate();
        page->SetObjects(0, nullptr);
        page->SetPageSite(nullptr);
    }
    ui::Dialog* Dialog() { return page->GetDialog(); }
    std::pair<REFERENCE_TIME, BOOL> Settings() {
        REFERENCE_TIME interval = 0;
        BOOL fixed = FALSE;
        filter->get_TimePerFrame(&interval, &fixed);
        return {interval, fixed};
    }

    ComPtr<CStampfixFilter> filter = MakeComObject<CStampfixFilter>();
    ComPtr<RecordingSite> site = MakeComObject<RecordingSite>();
    ComPtr<CBasePropertyPage> page;
};

TEST_F(StampfixPageTest, ShowsTheFiltersSettingsAndStaysClean) {
    filter->put_TimePerFrame(400000, TRUE);
    IUnknown* object = filter->GetUnknown();
    page->SetObjects(0, nullptr);
    ASSERT_EQ(S_OK, page->SetObjects(1, &object));
    ASSERT_EQ(S_OK, page->Activate(nullptr, nullptr, FALSE));
    EXPECT_EQ(u"400000", Dialog()->Text(IDC_TIME_PER_FRAME));
    EXPECT_EQ(ui::BST_CHECKED, ui::IsDlgButtonChecked(Dialog(), IDC_FIXED_TIME_PER_FRAME));
    EXPECT_EQ(S_FALSE, page->IsPageDirty());
    EXPECT_TRUE(site->changes.empty());
}

TEST_F(StampfixPageTest, TypingMarksDirtyAndApplyWritesBothSettings) {
    page->Activate(nullptr, nullptr, FALSE);
    ASSERT_TRUE(Dialog()->Type(IDC_TIME_PER_FRAME, u"  12x"));
    EXPECT_EQ(S_OK, page->IsPageDirty());
    ASSERT_EQ(std::vector<DWORD>{PROPPAGESTATUS_DIRTY}, site->changes);
    ASSERT_TRUE(Dialog()->Click(IDC_FIXED_TIME_PER_FRAME));
    ASSERT_EQ(S_OK, page->Apply());
    EXPECT_EQ(std::make_pair(REFERENCE_TIME{12}, BOOL{TRUE}), Settings());
    EXPECT_EQ(S_FALSE, page->IsPageDirty());
    EXPECT_EQ(S_OK, filter->IsDirty());
}

TEST_F(StampfixPageTest, LettersApplyZeroAndUncheckingStoresFalse) {
    filter->put_TimePerFrame(500000, TRUE);
    IUnknown* object = filter->GetUnknown();
    page->SetObjects(0, nullptr);
    page->SetObjects(1, &object);
    page->Activate(nullptr, nullptr, FALSE);
    Dialog()->Type(IDC_TIME_PER_FRAME, u"abc");
    Dialog()->Click(IDC_FIXED_TIME_PER_FRAME);
    page->Apply();
    EXPECT_EQ(std::make_pair(REFERENCE_TIME{0}, BOOL{FALSE}), Settings());
}

TEST_F(StampfixPageTest, NegativeIntervalIsNotAppliedAndThePageStaysDirty) {
    page->Activate(nullptr, nullptr, FALSE);
    ASSERT_TRUE(Dialog()->Type(IDC_TIME_PER_FRAME, u"-5"));
    EXPECT_EQ(E_INVALIDARG, page->Apply());
    EXPECT_EQ(S_OK, page->IsPageDirty());
    EXPECT_EQ(std::make_pair(REFERENCE_TIME{333667}, BOOL{FALSE}), Settings());
    ASSERT_TRUE(Dialog()->Type(IDC_TIME_PER_FRAME, u"5"));
    EXPECT_EQ(S_OK, page->Apply());
    EXPECT_EQ(S_FALSE, page->IsPageDirty());
}

TEST_F(StampfixPageTest, DeactivateKeepsTheTypedValuesForALaterApply) {
    page->Activate(nullptr, nullptr, FALSE);
    Dialog()->Type(IDC_TIME_PER_FRAME, u"250000");
    ASSERT_EQ(S_OK, page->Deactivate());
    EXPECT_EQ(nullptr, Dialog());
    ASSERT_EQ(S_OK, page->Apply());
    EXPECT_EQ(std::make_pair(REFERENCE_TIME{250000}, BOOL{FALSE}), Settings());
}

TEST_F(StampfixPageTest, ObjectWithoutTheInterfaceIsRefusedAndDisconnectNeedsAConnection) {
    page->SetObjects(0, nullptr);
    auto other = MakeComObject<RecordingSite>();
    IUnknown* object = other.Get();
    EXPECT_EQ(E_NOINTERFACE, page->SetObjects(1, &object));
    EXPECT_EQ(E_UNEXPECTED, page->SetObjects(0, nullptr));
}

TEST_F(StampfixPageTest, PageInfoNamesTheTitleAndSize) {
    PROPPAGEINFO info{};
    ASSERT_EQ(S_OK, page->GetPageInfo(&info));
    EXPECT_EQ(std::u16string(u"Talvin Stampfix"), std::u16string(info.pszTitle));
    EXPECT_EQ(228, info.size.cx);  // 152 dialog units at 6 px per 4 units
    EXPECT_EQ(76, info.size.cy);   // 51 dialog units at 12 px per 8 units
    CoTaskMemFree(info.pszTitle);
}

TEST(StampfixPageTemplate, DialogOneHundredTwoWithItsControls) {
    const ui::DialogTemplate& page = StampfixPageTemplate();
    EXPECT_EQ(102, page.resourceId);
    EXPECT_EQ(152, page.cx);
    EXPECT_EQ(51, page.cy);
    EXPECT_EQ(u"MS UI Gothic", page.fontFace);
    EXPECT_EQ(9, page.fontPointSize);
    ASSERT_EQ(3u, page.controls.size());
    const auto& check = page.controls[0];
    EXPECT_EQ(2000, check.id);
    EXPECT_EQ(u"Time Per Frame", check.text);
    EXPECT_EQ((std::array<short, 4>{5, 10, 75, 10}), (std::array<short, 4>{check.x, check.y, check.cx, check.cy}));
    const auto& edit = page.controls[1];
    EXPECT_EQ(2001, edit.id);
    EXPECT_EQ((std::array<short, 4>{85, 5, 60, 15}), (std::array<short, 4>{edit.x, edit.y, edit.cx, edit.cy}));
    EXPECT_TRUE(edit.style & ui::ES_AUTOHSCROLL);
    EXPECT_EQ(ui::IDC_STATIC, page.controls[2].id);
    EXPECT_NE(std::u16string::npos, page.controls[2].text.find(u"Stampfix"));
}

TEST(StampfixPageText, ParsesLikeTheEditBoxReader) {
    EXPECT_EQ(12, ParseTimePerFrameText(u"  12x"));
    EXPECT_EQ(0, ParseTimePerFrameText(u"abc"));
    EXPECT_EQ(-333667, ParseTimePerFrameText(u"\t-333667"));
    EXPECT_EQ(5, ParseTimePerFrameText(u"+5"));
    EXPECT_EQ(0, ParseTimePerFrameText(u""));
}

}  // namespace
