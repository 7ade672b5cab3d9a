// The property frame the program shows for the platform's OleCreatePropertyFrame: one tab per
// property page (titled from the page), and OK / キャンセル / 適用. Pages are created by class,
// given the objects and a page site, and activated inside their tab; a page that reports
// itself dirty enables 適用, which applies every dirty page. Closing deactivates the pages.
#pragma once

#include <QDialog>
#include <memory>
#include <vector>

#include "platform/media/interfaces/filters.h"
#include "platform/ui/property_frame.h"

class QPushButton;
class QTabWidget;
class CDialogView;
class CWidgetWindow;
class CPageSite;

class CPropertyFrameDialog : public QDialog {
    Q_OBJECT
public:
    explicit CPropertyFrameDialog(const ui::PropertyFrameRequest& request, QWidget* parent = nullptr);
    ~CPropertyFrameDialog() override;

    // S_OK when at least one page could be shown, else the first page's failure.
    HRESULT Result() const { return result_; }
    int PageCount() const { return static_cast<int>(pages_.size()); }
    QTabWidget* Tabs() const { return tabs_; }
    QPushButton* ApplyButton() const { return apply_; }
    QPushButton* OkButton() const { return ok_; }
    QPushButton* CancelButton() const { return cancel_; }

    // Applies every dirty page; false (and 適用 stays enabled) when a page refuses.
    bool ApplyChanges();

    void done(int result) override;

private:
    struct Page;
    HRESULT AddPage(const CLSID& pageClass, const ui::PropertyFrameRequest& request);
    void ClosePages();

    QTabWidget* tabs_;
    QPushButton* ok_;
    QPushButton* cancel_;
    QPushButton* apply_;
    std::vector<std::unique_ptr<Page>> pages_;
    HRESULT result_ = S_OK;
};

// The frame's window title for the caption given to the platform call.
QString PropertyFrameTitle(const std::u16string& caption);

// Shows the frame modally; the presenter the program installs at start-up.
HRESULT PresentPropertyFrame(const ui::PropertyFrameRequest& request);
void InstallPropertyFramePresenter();
