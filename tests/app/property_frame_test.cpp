// The property frame on screen (offscreen): ShowPropertyPages asking and opening, the Stampfix
// module registered with regsvr and its page shown, typed into, applied and cancelled.
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include "app/dialog_view.h"
#include "app/property_frame_dialog.h"
#include "common/module_interfaces.h"
#include "common/property_pages.h"
#include "platform/com/com_object.h"
#include "platform/com/com_runtime.h"
#include "platform/media/interfaces/property_pages.h"
#include "tests/app/app_test_support.h"
#include "tests/support/temp_environment.h"

namespace {

int RunRegsvr(const std::string& module) {
    const std::string command = std::string("'") + QD_REGSVR_PATH + "' '" + module + "' >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Any object without property pages.
class PagelessObject final : public ComObject<IPropertyPageSite> {
public:
    HRESULT OnStatusChange(DWORD) override { return S_OK; }
    HRESULT GetLocaleID(LCID*) override { return E_NOTIMPL; }
    HRESULT GetPageContainer(IUnknown**) override { return E_NOTIMPL; }
    HRESULT TranslateAccelerator(MSG*) override { return S_FALSE; }
};

class PropertyFrameTest : public ::testing::Test {
protected:
    void SetUp() override {
        TestApplication();
        ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
        ASSERT_EQ(0, RunRegsvr(QD_STAMPFIX_PATH));
        ASSERT_EQ(S_OK, CoCreateInstance(CLSID_Stampfix, nullptr, CLSCTX_INPROC_SERVER,
                                         IID_PPV_ARGS(stampfix.ReleaseAndGetAddressOf())));
        ASSERT_EQ(S_OK, stampfix->put_TimePerFrame(333667, FALSE));
    }
    void TearDown() override {
        ui::SetPropertyFramePresenter(nullptr);
        stampfix.Reset();
        CoFreeUnusedLibraries();
        CoUninitialize();
    }

    ui::PropertyFrameRequest StampfixRequest() {
        return ui::PropertyFrameRequest{nullptr, 0, 0, u"", {ComPtr<IUnknown>(stampfix.Get())},
                                        {CLSID_StampfixPropertyPage}, 0};
    }
    std::pair<REFERENCE_TIME, BOOL> Settings() {
        REFERENCE_TIME interval = 0;
        BOOL fixed = FALSE;
        EXPECT_EQ(S_OK, stampfix->get_TimePerFrame(&interval, &fixed));
        return {interval, fixed};
    }
    static QLineEdit* IntervalEdit(QWidget* frame) { return frame->findChild<QLineEdit*>(QStringLiteral("2001")); }
    static QCheckBox* FixedBox(QWidget* frame) { return frame->findChild<QCheckBox*>(QStringLiteral("2000")); }
    static void TypeInterval(QWidget* frame, const QString& text) {
        QLineEdit* edit = IntervalEdit(frame);
        ASSERT_NE(nullptr, edit);
        edit->selectAll();
        QTest::keyClicks(edit, text);
    }

    TempEnvironment environment;
    ComPtr<IStampfix> stampfix;
};

TEST_F(PropertyFrameTest, QueryOnlyTellsWhetherAnObjectHasPagesAndShowsNothing) {
    int shown = 0;
    ui::SetPropertyFramePresenter([&](const ui::PropertyFrameRequest&) {
        ++shown;
        return S_OK;
    });
    EXPECT_EQ(S_OK, ShowPropertyPages(nullptr, stampfix.Get(), TRUE));
    auto pageless = MakeComObject<PagelessObject>();
    EXPECT_EQ(E_NOINTERFACE, ShowPropertyPages(nullptr, pageless.Get(), TRUE));
    EXPECT_EQ(E_NOINTERFACE, ShowPropertyPages(nullptr, pageless.Get(), FALSE));
    EXPECT_EQ(E_POINTER, ShowPropertyPages(nullptr, nullptr, TRUE));
    EXPECT_EQ(0, shown);
}

TEST_F(PropertyFrameTest, OpensTheFrameForTheOneObjectWithItsPages) {
    ui::PropertyFrameRequest seen{};
    ui::SetPropertyFramePresenter([&](const ui::PropertyFrameRequest& request) {
        seen = request;
        return S_FALSE;
    });
    const HWND owner = reinterpret_cast<HWND>(std::intptr_t{42});
    EXPECT_EQ(S_FALSE, ShowPropertyPages(owner, stampfix.Get(), FALSE));  // the frame's own result
    EXPECT_EQ(owner, seen.owner);
    EXPECT_EQ(0, seen.x);
    EXPECT_EQ(0, seen.y);
    EXPECT_TRUE(seen.caption.empty());
    EXPECT_EQ(0u, seen.locale);
    ASSERT_EQ(1u, seen.objects.size());
    EXPECT_EQ(static_cast<IUnknown*>(stampfix.Get()), seen.objects[0].Get());
    ASSERT_EQ(1u, seen.pages.size());
    EXPECT_EQ(CLSID_StampfixPropertyPage, seen.pages[0]);
}

TEST_F(PropertyFrameTest, WithoutPresenterTheFrameIsNotAvailable) {
    EXPECT_EQ(E_NOTIMPL, ShowPropertyPages(nullptr, stampfix.Get(), FALSE));
    IUnknown* objects[] = {stampfix.Get()};
    EXPECT_EQ(E_INVALIDARG, OleCreatePropertyFrame(nullptr, 0, 0, nullptr, 1, objects, 0, nullptr, 0, 0, nullptr));
    EXPECT_EQ(E_POINTER, OleCreatePropertyFrame(nullptr, 0, 0, nullptr, 1, nullptr, 1, &CLSID_StampfixPropertyPage, 0,
                                                0, nullptr));
}

TEST_F(PropertyFrameTest, ShowsThePageWithItsTitleControlsAndButtons) {
    CPropertyFrameDialog frame(StampfixRequest());
    ASSERT_EQ(S_OK, frame.Result());
    frame.show();
    ASSERT_EQ(1, frame.PageCount());
    EXPECT_EQ(QStringLiteral("Talvin Stampfix"), frame.Tabs()->tabText(0));
    EXPECT_EQ(QStringLiteral("プロパティ"), frame.windowTitle());
    EXPECT_EQ(QStringLiteral("OK"), frame.OkButton()->text());
    EXPECT_EQ(QStringLiteral("キャンセル"), frame.CancelButton()->text());
    EXPECT_EQ(QStringLiteral("適用"), frame.ApplyButton()->text());
    EXPECT_FALSE(frame.ApplyButton()->isEnabled());

    QLineEdit* edit = IntervalEdit(&frame);
    QCheckBox* box = FixedBox(&frame);
    ASSERT_NE(nullptr, edit);
    ASSERT_NE(nullptr, box);
    EXPECT_EQ(QStringLiteral("333667"), edit->text());
    EXPECT_FALSE(box->isChecked());
    EXPECT_EQ(QStringLiteral("Time Per Frame"), box->text());
    // The page's template: "MS UI Gothic" 9 point; the edit at 85, 5 (60 x 15), the box at 5, 10 (75 x 10).
    const ui::DialogTemplate font{102, 0, u"", 152, 51, u"MS UI Gothic", 9, {}};
    EXPECT_EQ(CDialogView::PixelRect(font, 85, 5, 60, 15), edit->geometry());
    EXPECT_EQ(CDialogView::PixelRect(font, 5, 10, 75, 10), box->geometry());
    EXPECT_GT(edit->geometry().left(), box->geometry().left());
}

TEST_F(PropertyFrameTest, TypingAndClickingEnableApplyWhichWritesTheFilter) {
    CPropertyFrameDialog frame(StampfixRequest());
    ASSERT_EQ(S_OK, frame.Result());
    frame.show();
    TypeInterval(&frame, QStringLiteral("400000"));
    EXPECT_TRUE(frame.ApplyButton()->isEnabled());
    FixedBox(&frame)->click();
    EXPECT_TRUE(FixedBox(&frame)->isChecked());
    EXPECT_EQ(333667, Settings().first);  // nothing written before Apply

    QTest::mouseClick(frame.ApplyButton(), Qt::LeftButton);
    EXPECT_EQ(std::make_pair(REFERENCE_TIME{400000}, BOOL{TRUE}), Settings());
    EXPECT_FALSE(frame.ApplyButton()->isEnabled());

    // OK applies what was typed since, then closes the frame.
    TypeInterval(&frame, QStringLiteral("12"));
    QTest::mouseClick(frame.OkButton(), Qt::LeftButton);
    EXPECT_EQ(QDialog::Accepted, frame.result());
    EXPECT_EQ(12, Settings().first);
    EXPECT_FALSE(IntervalEdit(&frame)->parentWidget()->isEnabled());  // the page is deactivated
}

TEST_F(PropertyFrameTest, CancelAppliesNothing) {
    CPropertyFrameDialog frame(StampfixRequest());
    ASSERT_EQ(S_OK, frame.Result());
    frame.show();
    TypeInterval(&frame, QStringLiteral("400000"));
    FixedBox(&frame)->click();
    QTest::mouseClick(frame.CancelButton(), Qt::LeftButton);
    EXPECT_EQ(QDialog::Rejected, frame.result());
    EXPECT_EQ(std::make_pair(REFERENCE_TIME{333667}, BOOL{FALSE}), Settings());
}

TEST_F(PropertyFrameTest, UnknownPageClassShowsNoFrame) {
    ui::PropertyFrameRequest request = StampfixRequest();
    request.pages = {MakeGuid("00000000-1111-2222-3333-444444444444")};
    CPropertyFrameDialog frame(request);
    EXPECT_TRUE(FAILED(frame.Result()));
    EXPECT_EQ(0, frame.PageCount());
    EXPECT_TRUE(FAILED(PresentPropertyFrame(request)));
}

// The presenter the program installs: modal, driven while it runs.
TEST_F(PropertyFrameTest, ShowPropertyPagesOpensTheModalFrameThroughTheInstalledPresenter) {
    InstallPropertyFramePresenter();
    bool driven = false;
    QTimer driver;
    QObject::connect(&driver, &QTimer::timeout, [&] {
        auto* frame = qobject_cast<CPropertyFrameDialog*>(QApplication::activeModalWidget());
        if (!frame || driven) return;
        driven = true;
        TypeInterval(frame, QStringLiteral("400000"));
        FixedBox(frame)->click();
        QTest::mouseClick(frame->OkButton(), Qt::LeftButton);
    });
    driver.start(20);
    EXPECT_EQ(S_OK, ShowPropertyPages(nullptr, stampfix.Get(), FALSE));
    EXPECT_TRUE(driven);
    EXPECT_EQ(std::make_pair(REFERENCE_TIME{400000}, BOOL{TRUE}), Settings());
}

}  // namespace
