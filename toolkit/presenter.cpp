#include "toolkit/presenter.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <utility>

TPresenter::~TPresenter() = default;

TModalResult ModalResultOfButton(TMsgDlgBtn button)
{
    switch (button) {
    case mbYes: return mrYes;
    case mbNo: return mrNo;
    case mbOK: return mrOk;
    case mbCancel: return mrCancel;
    case mbAbort: return mrAbort;
    case mbRetry: return mrRetry;
    case mbIgnore: return mrIgnore;
    }
    return mrNone;
}

namespace {

QMessageBox::Icon IconOf(TMsgDlgType type)
{
    switch (type) {
    case mtWarning: return QMessageBox::Warning;
    case mtError: return QMessageBox::Critical;
    case mtInformation: return QMessageBox::Information;
    case mtConfirmation: return QMessageBox::Question;
    case mtCustom: return QMessageBox::NoIcon;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButton StandardButtonOf(TMsgDlgBtn button)
{
    switch (button) {
    case mbYes: return QMessageBox::Yes;
    case mbNo: return QMessageBox::No;
    case mbOK: return QMessageBox::Ok;
    case mbCancel: return QMessageBox::Cancel;
    case mbAbort: return QMessageBox::Abort;
    case mbRetry: return QMessageBox::Retry;
    case mbIgnore: return QMessageBox::Ignore;
    }
    return QMessageBox::NoButton;
}

constexpr TMsgDlgBtn kAllButtons[] = {mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore};

std::shared_ptr<TPresenter>& InstalledPresenter()
{
    static std::shared_ptr<TPresenter> presenter;
    return presenter;
}

} // namespace

TModalResult TQtPresenter::MessageBox(const TMessageRequest& request)
{
    QMessageBox box(IconOf(request.type), request.caption, request.text, QMessageBox::NoButton,
                    QApplication::activeWindow());
    const TMsgDlgButtons offered = request.buttons.Empty() ? TMsgDlgButtons{mbOK} : request.buttons;
    for (TMsgDlgBtn button : kAllButtons)
        if (offered.Contains(button))
            box.addButton(StandardButtonOf(button));
    box.exec();
    for (TMsgDlgBtn button : kAllButtons)
        if (offered.Contains(button) && box.clickedButton() == box.button(StandardButtonOf(button)))
            return ModalResultOfButton(button);
    return mrCancel;
}

TPresenter& Presenter()
{
    static TQtPresenter qtPresenter;
    TPresenter* installed = InstalledPresenter().get();
    return installed ? *installed : static_cast<TPresenter&>(qtPresenter);
}

std::shared_ptr<TPresenter> SetPresenter(std::shared_ptr<TPresenter> presenter)
{
    return std::exchange(InstalledPresenter(), std::move(presenter));
}

TPresenterScope::TPresenterScope(std::shared_ptr<TPresenter> presenter)
    : mPrevious(SetPresenter(std::move(presenter)))
{
}

TPresenterScope::~TPresenterScope()
{
    SetPresenter(std::move(mPrevious));
}
