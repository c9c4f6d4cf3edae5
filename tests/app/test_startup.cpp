// Start-up of the tool in a real offscreen application: the alias list read
// from ads.ini, the drop-down handlers, the close button, and the utility
// module.
#include "app/UWinOutils.h"
#include "app/UmenuPrinc.h"
#include "app/program.h"
#include "tests/platform/qtprinters.h"
#include "tests/app/tool_test_support.h"
#include "tests/support/testsupport.h"
#include "toolkit/application.h"
#include "toolkit/recordingpresenter.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <gtest/gtest.h>

using testsupport::EnvGuard;
using testsupport::TempFolder;

namespace {

// One start of the tool against an ads.ini of the test's making (or none),
// with every modal box recorded instead of shown.
class StartupTest : public ::testing::Test {
protected:
    void WriteAdsIni(const QByteArray& content) { mConfig.write("ads.ini", content); }

    void StartTool()
    {
        int argc = 0;
        CreateApplicationWindows(argc, nullptr);
    }

    TFPrincipal& Window() { return *FPrincipal; }

    QStringList AliasItems()
    {
        QStringList items;
        for (int i = 0; i < Window().wwDBCBAlias->ItemCount(); ++i)
            items << Window().wwDBCBAlias->Items()->Get(i);
        return items;
    }

    TempFolder mConfig;
    TempFolder mWork;
    // No ads.ini may be found anywhere but where the test puts one.
    tooltest::ToolSurroundings<> mSurroundings{mConfig.path(), mWork.path()};
    const std::shared_ptr<TRecordingPresenter> mBoxes = mSurroundings.boxes;
};

TEST_F(StartupTest, ListsTheAliasesInFileOrderAndAppliesTheFirst)
{
    WriteAdsIni("[Other]\nX=/x\n[Databases]\nZETA=/data/z;N\nalpha=/data/a.add\nMid = /data/m;C\n");
    StartTool();

    ASSERT_NE(FPrincipal, nullptr);
    EXPECT_EQ(Application->MainForm(), FPrincipal);
    EXPECT_EQ(AliasItems(), (QStringList{"ZETA", "alpha", "Mid"}));
    EXPECT_EQ(Window().wwDBCBAlias->ItemIndex(), 0);
    EXPECT_EQ(Window().wwDBCBAlias->Text(), "ZETA");
    EXPECT_EQ(Window().SelectedAliasName(), "ZETA");
    EXPECT_TRUE(Window().EditSource->Text().isEmpty());
    EXPECT_TRUE(Window().EditDestination->Text().isEmpty());
    EXPECT_FALSE(Application->Terminated());
    EXPECT_TRUE(mBoxes->Requests().isEmpty());
    ASSERT_NE(WinOutils, nullptr);
}

TEST_F(StartupTest, ClosingTheListAppliesTheAliasAgainAndEmptiesTheFolders)
{
    WriteAdsIni("[Databases]\nFIRST=/a\nSECOND=/b\n");
    StartTool();
    Window().Show();
    Window().EditSource->SetText("/backup/src");
    Window().EditDestination->SetText("/backup/dst");

    // Unchanged selection: the same alias is applied again.
    Window().wwDBCBAlias->DropDown();
    Window().wwDBCBAlias->CloseUp();
    Application->ProcessMessages();
    EXPECT_EQ(Window().SelectedAliasName(), "FIRST");
    EXPECT_TRUE(Window().EditSource->Text().isEmpty());
    EXPECT_TRUE(Window().EditDestination->Text().isEmpty());

    // The operator moves one row down and picks it.
    Window().wwDBCBAlias->DropDown();
    auto* list = static_cast<QComboBox*>(Window().wwDBCBAlias->Widget())->view();
    for (Qt::Key key : {Qt::Key_Down, Qt::Key_Return}) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(list, &press);
    }
    Application->ProcessMessages();
    EXPECT_EQ(Window().SelectedAliasName(), "SECOND");
}

TEST_F(StartupTest, AnyKeyInTheDropDownOpensItsList)
{
    WriteAdsIni("[Databases]\nA1=/a\nB1=/b\n");
    StartTool();
    Window().Show();
    QWidget* combo = Window().wwDBCBAlias->Widget();

    const struct {
        Qt::Key key;
        QString text;
    } keys[] = {{Qt::Key_B, "b"}, {Qt::Key_Down, ""}, {Qt::Key_Right, ""}};
    for (const auto& k : keys) {
        Window().wwDBCBAlias->CloseUp();
        ASSERT_FALSE(Window().wwDBCBAlias->DroppedDown());
        QKeyEvent press(QEvent::KeyPress, k.key, Qt::NoModifier, k.text);
        QApplication::sendEvent(combo, &press);
        EXPECT_TRUE(Window().wwDBCBAlias->DroppedDown()) << "key " << int(k.key);
    }
    Window().wwDBCBAlias->CloseUp();
}

TEST_F(StartupTest, WithoutAnyAliasSaysSoAndEnds)
{
    const struct {
        const char* name;
        std::optional<QByteArray> ini;
    } cases[] = {
        {"no ads.ini", std::nullopt},
        {"no [Databases] section", QByteArray("[Other]\nA=/a\n")},
        {"empty section", QByteArray("[Databases]\n; nothing here\n")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TApplicationScope application;
        mBoxes->Clear();
        QFile::remove(mConfig.file("ads.ini"));
        if (c.ini)
            WriteAdsIni(*c.ini);
        StartTool();

        ASSERT_EQ(mBoxes->Requests().size(), 1);
        const TMessageRequest& box = mBoxes->Requests().first();
        EXPECT_EQ(box.text, QString::fromUtf8("Aucun alias trouvé, veillez vous assuré d'être dans le même "
                                              "répertoire que le logiciel à restaurer !"));
        EXPECT_EQ(box.caption, kApplicationTitle);
        EXPECT_EQ(box.buttons, TMsgDlgButtons{mbOK});
        EXPECT_FALSE(box.isErrorBox);
        EXPECT_TRUE(Application->Terminated());
        EXPECT_EQ(Window().wwDBCBAlias->ItemCount(), 1);  // the design-time empty item
        // The loop ends as soon as it processes the request.
        Application->Run();
    }
}

TEST_F(StartupTest, TheCloseButtonClosesTheMainWindowAndEndsTheTool)
{
    WriteAdsIni("[Databases]\nA1=/a\n");
    StartTool();
    Window().Show();
    Window().BtnFermer->Click();
    EXPECT_TRUE(Application->Terminated());
}

TEST_F(StartupTest, GetEnvVarTellsNothingForUnsetAndEmptyVariables)
{
    WriteAdsIni("[Databases]\nA1=/a\n");
    StartTool();
    const struct {
        std::optional<QByteArray> value;
        QString expected;
    } cases[] = {{std::nullopt, ""}, {QByteArray(""), ""}, {QByteArray("PC-RESTORE"), "PC-RESTORE"}};
    for (const auto& c : cases) {
        EnvGuard var("VARNEL_TEST_VARIABLE", c.value);
        EXPECT_EQ(WinOutils->GetEnvVar("VARNEL_TEST_VARIABLE"), c.expected);
    }
}

TEST(ProgramEntry, SetsTheComputerNameFromTheHostNameWhenMissing)
{
    for (const auto& value : {std::optional<QByteArray>(), std::optional<QByteArray>("")}) {
        EnvGuard var("COMPUTERNAME", value);
        EnsureComputerName();
        EXPECT_FALSE(qEnvironmentVariable("COMPUTERNAME").isEmpty());
    }
    EnvGuard kept("COMPUTERNAME", QByteArray("BUREAU-7"));
    EnsureComputerName();
    EXPECT_EQ(qEnvironmentVariable("COMPUTERNAME"), "BUREAU-7");
}

} // namespace

namespace {

TEST_F(StartupTest, AnExceptionLeavingAHandlerReachesTheErrorBoxAndTheToolGoesOn)
{
    WriteAdsIni("[Databases]\nA1=/a\n");
    StartTool();
    Window().Show();

    const struct {
        QString message;
        QString inner;
        QString shown;
    } cases[] = {
        {"Dossier introuvable", "", "Dossier introuvable."},
        {"Termin\u00e9!", "", "Termin\u00e9!"},
        {"Fin.", "", "Fin."},
        {"outer", "Le fichier est verrouill\u00e9", "Le fichier est verrouill\u00e9."},
    };
    for (const auto& c : cases) {
        mBoxes->Clear();
        Window().Button1->OnClick = [&](TObject*) {
            Exception error(c.message);
            if (!c.inner.isEmpty())
                error.SetInnerException(std::make_shared<Exception>(c.inner));
            throw error;
        };
        Window().Button1->Click();
        ASSERT_EQ(mBoxes->ErrorTexts(), QStringList{c.shown});
        EXPECT_EQ(mBoxes->Requests().first().caption, kApplicationTitle);
        EXPECT_EQ(mBoxes->Requests().first().type, mtError);
    }
    EXPECT_FALSE(Application->Terminated());
    EXPECT_TRUE(Window().Visible());
}

} // namespace
