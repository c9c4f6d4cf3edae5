#include "toolkit/logindialog.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TLoginPresenter::~TLoginPresenter() = default;

namespace {

std::shared_ptr<TLoginPresenter>& InstalledLoginPresenter()
{
    static std::shared_ptr<TLoginPresenter> presenter;
    return presenter;
}

} // namespace

TLoginDialog::TLoginDialog(const TLoginRequest& request, QWidget* parent)
    : QDialog(parent), mRequest(request)
{
    setWindowTitle(QStringLiteral("Database Login"));
    setModal(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Database: ") + request.databaseName, this));

    auto* form = new QFormLayout;
    mUserName = new QLineEdit(request.userName, this);
    mPassword = new QLineEdit(request.password, this);
    mPassword->setEchoMode(QLineEdit::Password);
    form->addRow(QStringLiteral("&User Name:"), mUserName);
    form->addRow(QStringLiteral("&Password:"), mPassword);
    layout->addLayout(form);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    mOk = buttons->button(QDialogButtonBox::Ok);
    mCancel = buttons->button(QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    // A user name proposed already: the password is what is left to type.
    (request.userName.isEmpty() ? mUserName : mPassword)->setFocus();
}

TLoginRequest TLoginDialog::Entered() const
{
    TLoginRequest entered = mRequest;
    entered.userName = mUserName->text();
    entered.password = mPassword->text();
    return entered;
}

bool TQtLoginPresenter::ShowLogin(TLoginRequest& request)
{
    TLoginDialog dialog(request, QApplication::activeWindow());
    if (dialog.exec() != QDialog::Accepted)
        return false;
    request = dialog.Entered();
    return true;
}

TLoginPresenter& LoginPresenter()
{
    static TQtLoginPresenter qtPresenter;
    const std::shared_ptr<TLoginPresenter>& installed = InstalledLoginPresenter();
    return installed ? *installed : qtPresenter;
}

std::shared_ptr<TLoginPresenter> SetLoginPresenter(std::shared_ptr<TLoginPresenter> presenter)
{
    std::shared_ptr<TLoginPresenter> previous = std::move(InstalledLoginPresenter());
    InstalledLoginPresenter() = std::move(presenter);
    return previous;
}

bool ShowLoginDialog(const QString& databaseName, QString& userName, QString& password)
{
    TLoginRequest request{databaseName, userName, password};
    if (!LoginPresenter().ShowLogin(request))
        return false;
    userName = request.userName;
    password = request.password;
    return true;
}
