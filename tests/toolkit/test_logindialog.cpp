// The login dialog: the presenter that answers for it, and the real dialog
// driven without a modal wait.
#include "toolkit/logindialog.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// Answers at once with what it was told, and keeps what it was asked.
class TAnsweringLoginPresenter : public TLoginPresenter {
public:
    bool ShowLogin(TLoginRequest& request) override
    {
        asked.push_back(request);
        if (!accept)
            return false;
        request.userName = userName;
        request.password = password;
        return true;
    }
    bool accept = true;
    QString userName, password;
    std::vector<TLoginRequest> asked;
};

class LoginDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        presenter = std::make_shared<TAnsweringLoginPresenter>();
        SetLoginPresenter(presenter);
    }
    void TearDown() override { SetLoginPresenter(nullptr); }
    std::shared_ptr<TAnsweringLoginPresenter> presenter;
};

TEST_F(LoginDialogTest, AcceptedGivesBackWhatWasEntered)
{
    presenter->userName = "adssys";
    presenter->password = "secret";
    QString user = "proposed", password;
    EXPECT_TRUE(ShowLoginDialog("AdsConnectionActive", user, password));
    EXPECT_EQ(user, "adssys");
    EXPECT_EQ(password, "secret");
    ASSERT_EQ(presenter->asked.size(), 1u);
    EXPECT_EQ(presenter->asked[0].databaseName, "AdsConnectionActive");
    EXPECT_EQ(presenter->asked[0].userName, "proposed");
    EXPECT_EQ(presenter->asked[0].password, "");
}

TEST_F(LoginDialogTest, CancelledLeavesTheCallersValues)
{
    presenter->accept = false;
    presenter->userName = "ignored";
    QString user = "proposed", password = "kept";
    EXPECT_FALSE(ShowLoginDialog("Db", user, password));
    EXPECT_EQ(user, "proposed");
    EXPECT_EQ(password, "kept");
}

TEST(LoginDialog, TheDialogShowsTheRequestAndHidesThePassword)
{
    TLoginDialog dialog(TLoginRequest{"Base", "adssys", ""});
    EXPECT_TRUE(dialog.isModal());
    EXPECT_EQ(dialog.UserNameEdit()->text(), "adssys");
    EXPECT_EQ(dialog.PasswordEdit()->text(), "");
    EXPECT_EQ(dialog.PasswordEdit()->echoMode(), QLineEdit::Password);
    dialog.PasswordEdit()->setText("typed");
    dialog.UserNameEdit()->setText("other");
    const TLoginRequest entered = dialog.Entered();
    EXPECT_EQ(entered.databaseName, "Base");
    EXPECT_EQ(entered.userName, "other");
    EXPECT_EQ(entered.password, "typed");
}

// The Qt presenter shows the real dialog modally; a click on its buttons ends it.
TEST(LoginDialog, TheQtPresenterEndsWithTheButtonPressed)
{
    struct Case {
        bool ok;
    } cases[] = {{true}, {false}};
    for (const Case& c : cases) {
        TQtLoginPresenter presenter;
        TLoginRequest request{"Base", "adssys", ""};
        QTimer::singleShot(0, [&] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                auto* dialog = dynamic_cast<TLoginDialog*>(widget);
                if (!dialog || !dialog->isVisible())
                    continue;
                dialog->PasswordEdit()->setText("typed");
                (c.ok ? dialog->OkButton() : dialog->CancelButton())->click();
            }
        });
        EXPECT_EQ(presenter.ShowLogin(request), c.ok);
        EXPECT_EQ(request.password, c.ok ? "typed" : "") << "ok " << c.ok;
        EXPECT_EQ(request.userName, "adssys");
    }
}

} // namespace
