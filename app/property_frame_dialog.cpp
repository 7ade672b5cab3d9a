#include "app/property_frame_dialog.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/dialog_view.h"
#include "app/widget_window.h"
#include "platform/com/com_object.h"
#include "platform/com/com_runtime.h"
#include "platform/com/task_memory.h"
#include "platform/ui/dialog_host.h"
#include "platform/media/interfaces/property_pages.h"

// The frame's side of a page: status changes from the page reach the frame through it.
class CPageSite final : public ComObject<IPropertyPageSite> {
public:
    CPageSite(LCID locale, std::function<void()> onDirty) : locale_(locale), onDirty_(std::move(onDirty)) {}

    void Disconnect() { onDirty_ = nullptr; }

    HRESULT OnStatusChange(DWORD flags) override {
        if ((flags & PROPPAGESTATUS_DIRTY) && onDirty_) onDirty_();
        return S_OK;
    }
    HRESULT GetLocaleID(LCID* locale) override {
        if (!locale) return E_POINTER;
        *locale = locale_;
        return S_OK;
    }
    HRESULT GetPageContainer(IUnknown** container) override {
        if (container) *container = nullptr;
        return E_NOTIMPL;
    }
    HRESULT TranslateAccelerator(MSG* /*msg*/) override { return S_FALSE; }

private:
    LCID locale_;
    std::function<void()> onDirty_;
};

struct CPropertyFrameDialog::Page {
    ComPtr<IPropertyPage> page;
    ComPtr<CPageSite> site;
    CDialogView* view = nullptr;
    std::unique_ptr<CWidgetWindow> window;  // the page's parent handle
    bool active = false;
};

namespace {

QString TakeTaskText(LPOLESTR text) {
    if (!text) return {};
    const QString result = QString::fromStdU16String(text);
    CoTaskMemFree(text);
    return result;
}

}  // namespace

QString PropertyFrameTitle(const std::u16string& caption) {
    return caption.empty() ? QStringLiteral("プロパティ") : QString::fromStdU16String(caption) + QStringLiteral(" のプロパティ");
}

CPropertyFrameDialog::CPropertyFrameDialog(const ui::PropertyFrameRequest& request, QWidget* parent)
    : QDialog(parent), tabs_(new QTabWidget(this)) {
    setWindowTitle(PropertyFrameTitle(request.caption));
    auto* buttons = new QDialogButtonBox(this);
    ok_ = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    cancel_ = buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole);
    apply_ = buttons->addButton(QStringLiteral("適用"), QDialogButtonBox::ApplyRole);
    ok_->setObjectName(QStringLiteral("ok"));
    cancel_->setObjectName(QStringLiteral("cancel"));
    apply_->setObjectName(QStringLiteral("apply"));
    ok_->setDefault(true);
    apply_->setEnabled(false);
    connect(ok_, &QPushButton::clicked, this, [this] {
        if (ApplyChanges()) accept();
    });
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    connect(apply_, &QPushButton::clicked, this, [this] { ApplyChanges(); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_);
    layout->addWidget(buttons);

    HRESULT firstFailure = S_OK;
    for (const CLSID& pageClass : request.pages) {
        const HRESULT hr = AddPage(pageClass, request);
        if (FAILED(hr) && SUCCEEDED(firstFailure)) firstFailure = hr;
    }
    result_ = pages_.empty() ? (FAILED(firstFailure) ? firstFailure : E_FAIL) : S_OK;

    RECT owner{};
    if (request.owner && GetWindowRect(request.owner, &owner)) move(owner.left + request.x, owner.top + request.y);
}

CPropertyFrameDialog::~CPropertyFrameDialog() { ClosePages(); }

HRESULT CPropertyFrameDialog::AddPage(const CLSID& pageClass, const ui::PropertyFrameRequest& request) {
    auto entry = std::make_unique<Page>();
    HRESULT hr = CoCreateInstance(pageClass, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(entry->page.ReleaseAndGetAddressOf()));
    if (FAILED(hr)) return hr;
    std::vector<IUnknown*> objects;
    for (const auto& object : request.objects) objects.push_back(object.Get());
    hr = entry->page->SetObjects(static_cast<ULONG>(objects.size()), objects.data());
    if (FAILED(hr)) return hr;
    entry->site = MakeComObject<CPageSite>(request.locale, [this] { apply_->setEnabled(true); });
    hr = entry->page->SetPageSite(entry->site.Get());
    if (FAILED(hr)) {
        entry->page->SetObjects(0, nullptr);
        return hr;
    }
    PROPPAGEINFO info{};
    info.cb = sizeof(info);
    const bool hasInfo = SUCCEEDED(entry->page->GetPageInfo(&info));
    const QString title = TakeTaskText(info.pszTitle);
    TakeTaskText(info.pszDocString);
    TakeTaskText(info.pszHelpFile);

    entry->view = new CDialogView;
    entry->window = std::make_unique<CWidgetWindow>(entry->view, [](UINT, WPARAM, LPARAM) {});
    ui::SetDialogHost(entry->window->Handle(), entry->view);
    const RECT pageRect{0, 0, hasInfo ? info.size.cx : 0, hasInfo ? info.size.cy : 0};
    if (hasInfo) entry->view->setMinimumSize(info.size.cx, info.size.cy);
    hr = entry->page->Activate(entry->window->Handle(), &pageRect, TRUE);
    if (FAILED(hr)) {
        ui::SetDialogHost(entry->window->Handle(), nullptr);
        entry->window.reset();
        delete entry->view;
        entry->page->SetPageSite(nullptr);
        entry->page->SetObjects(0, nullptr);
        entry->site->Disconnect();
        return hr;
    }
    entry->active = true;
    entry->page->Show(SW_SHOW);
    tabs_->addTab(entry->view, title);
    pages_.push_back(std::move(entry));
    return S_OK;
}

bool CPropertyFrameDialog::ApplyChanges() {
    bool applied = true;
    for (const auto& entry : pages_) {
        if (entry->page->IsPageDirty() != S_OK) continue;
        if (FAILED(entry->page->Apply())) applied = false;
    }
    apply_->setEnabled(!applied);
    return applied;
}

void CPropertyFrameDialog::done(int result) {
    ClosePages();
    QDialog::done(result);
}

void CPropertyFrameDialog::ClosePages() {
    for (const auto& entry : pages_) {
        if (!entry->active) continue;
        entry->active = false;
        entry->site->Disconnect();
        entry->page->Deactivate();
        entry->page->SetPageSite(nullptr);
        entry->page->SetObjects(0, nullptr);
        ui::SetDialogHost(entry->window->Handle(), nullptr);
        entry->window.reset();
    }
}

HRESULT PresentPropertyFrame(const ui::PropertyFrameRequest& request) {
    CPropertyFrameDialog frame(request);
    if (FAILED(frame.Result())) return frame.Result();
    frame.exec();
    return S_OK;
}

void InstallPropertyFramePresenter() { ui::SetPropertyFramePresenter(PresentPropertyFrame); }
