// The standard error box and the modal boxes, read through the recording
// presenter.
#include "qtprint.h"

#include "platform/sysutils.h"
#include "toolkit/application.h"
#include "toolkit/dialogs.h"
#include "toolkit/errorbox.h"
#include "toolkit/guard.h"
#include "toolkit/recordingpresenter.h"

#include <gtest/gtest.h>
#include <stdexcept>

namespace {

struct DotCase {
    const char* message;
    const char* shown;
};

class ErrorBoxTest : public ::testing::Test {
protected:
    ErrorBoxTest() { scope.App().SetTitle(QStringLiteral("Varnel test")); }

    TApplicationScope scope;
    std::shared_ptr<TRecordingPresenter> recorder = std::make_shared<TRecordingPresenter>();
    TPresenterScope presenterScope{recorder};
};

TEST_F(ErrorBoxTest, ClosingDotFollowsTheCharacterCodeRule)
{
    // "." is added only after a character whose code is above that of ".".
    const DotCase cases[] = {
        {"abc", "abc."},
        {"abc.", "abc."},
        {"fini!", "fini!"},                   // '!' is below '.'
        {"code 5121", "code 5121."},          // digits are above '.'
        {"(see log)", "(see log)"},           // ')' is below '.'
        {"trailing space ", "trailing space "},
        {"r\xc3\xa9pertoire cr\xc3\xa9\xc3\xa9", "r\xc3\xa9pertoire cr\xc3\xa9\xc3\xa9."},
        {"", ""},
    };
    for (const DotCase& c : cases) {
        recorder->Clear();
        RunGuarded([&] { throw Exception(QString::fromUtf8(c.message)); });
        ASSERT_EQ(recorder->Requests().size(), 1) << c.message;
        const TMessageRequest& box = recorder->Requests().front();
        EXPECT_EQ(box.text, QString::fromUtf8(c.shown)) << c.message;
        EXPECT_EQ(box.caption, QStringLiteral("Varnel test"));
        EXPECT_EQ(box.type, mtError);
        EXPECT_TRUE(box.isErrorBox);
        EXPECT_EQ(box.buttons, TMsgDlgButtons{mbOK});
    }
}

TEST_F(ErrorBoxTest, ShowsTheInnermostExceptionOfAChain)
{
    auto innermost = std::make_shared<EInOutError>(QStringLiteral("Access denied"), 13);
    auto middle = std::make_shared<Exception>(QStringLiteral("Cannot open table"));
    middle->SetInnerException(innermost);
    Exception outer(QStringLiteral("Restore failed!"));
    outer.SetInnerException(middle);

    EXPECT_EQ(ErrorBoxText(outer), QStringLiteral("Access denied."));
    EXPECT_EQ(ErrorBoxText(*middle), QStringLiteral("Access denied."));
    EXPECT_EQ(ErrorBoxText(std::runtime_error("plain failure")), QStringLiteral("plain failure."));
}

TEST_F(ErrorBoxTest, GuardShowsEveryKindOfExceptionAndTheProgramGoesOn)
{
    bool ranAfter = false;
    RunGuarded([] { throw EExternalException(QStringLiteral("Module not found"), kModuleNotFoundCode); });
    RunGuarded([] { throw std::logic_error("logic broke"); });
    RunGuarded([] { throw 42; });
    RunGuarded([&] { ranAfter = true; });

    EXPECT_EQ(recorder->ErrorTexts(),
              (QStringList{QStringLiteral("Module not found."), QStringLiteral("logic broke."),
                           UnknownExceptionText()}));
    EXPECT_TRUE(ranAfter);
}

TEST_F(ErrorBoxTest, OnExceptionReplacesTheBoxAndItsOwnFailureIsShown)
{
    QStringList seen;
    scope.App().OnException = [&](TObject* sender, const std::exception& error) {
        EXPECT_EQ(sender, &scope.App());
        seen.append(QString::fromUtf8(error.what()));
        if (seen.size() == 2)
            throw Exception(QStringLiteral("hook failed"));
    };
    RunGuarded([] { throw Exception(QStringLiteral("first")); });
    EXPECT_EQ(seen, QStringList{QStringLiteral("first")});
    EXPECT_TRUE(recorder->Requests().isEmpty());

    RunGuarded([] { throw Exception(QStringLiteral("second")); });
    EXPECT_EQ(recorder->ErrorTexts(), QStringList{QStringLiteral("hook failed.")});
}

TEST_F(ErrorBoxTest, MessageBoxesCarryTheTitleAndReturnTheAnswer)
{
    ShowMessage(QStringLiteral("Aucun alias trouv\u00e9 !"));
    recorder->QueueAnswer(mrNo);
    const TModalResult answer = MessageDlg(QStringLiteral("Continuer ?"), mtConfirmation, {mbYes, mbNo});
    const int flagsAnswer = scope.App().MessageBox(QStringLiteral("Texte"), QStringLiteral("Titre"),
                                                   MB_YESNO | MB_ICONQUESTION);

    ASSERT_EQ(recorder->Requests().size(), 3);
    const TMessageRequest& message = recorder->Requests()[0];
    EXPECT_EQ(message.text, QStringLiteral("Aucun alias trouv\u00e9 !"));
    EXPECT_EQ(message.caption, QStringLiteral("Varnel test"));
    EXPECT_EQ(message.buttons, TMsgDlgButtons{mbOK});
    EXPECT_FALSE(message.isErrorBox);
    EXPECT_EQ(answer, mrNo);
    EXPECT_EQ(recorder->Requests()[2].caption, QStringLiteral("Titre"));
    EXPECT_EQ(recorder->Requests()[2].type, mtConfirmation);
    EXPECT_EQ(flagsAnswer, IDYES);   // no queued answer: the first button offered
}

} // namespace
