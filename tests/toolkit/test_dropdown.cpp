// The list-only drop-down on a real form.
#include "keyinput.h"
#include "qtprint.h"

#include "framework/streaming.h"
#include "framework/typinfo.h"
#include "toolkit/application.h"
#include "toolkit/forms.h"
#include "toolkit/recordingpresenter.h"
#include "toolkit/wwdbcombobox.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <gtest/gtest.h>

namespace {

class DropDownTest : public ::testing::Test {
protected:
    DropDownTest()
    {
        form = new TForm(&scope.App());
        form->SetClientWidth(300);
        form->SetClientHeight(120);
        combo = new TwwDBComboBox(form);
        combo->SetName(QStringLiteral("wwDBCBAlias"));
        combo->SetBounds(20, 12, 177, 21);
        form->Show();
        QApplication::processEvents();
    }

    void SetItems(const QStringList& names)
    {
        combo->Items()->Clear();
        for (const QString& name : names)
            combo->Items()->Add(name);
        combo->ApplyList();
        combo->SetItemIndex(0);
    }

    QComboBox* Qt() const { return static_cast<QComboBox*>(combo->Widget()); }

    QStringList Shown() const
    {
        QStringList shown;
        for (int i = 0; i < Qt()->count(); ++i)
            shown.append(Qt()->itemText(i));
        return shown;
    }

    // Lets the queued close-up report arrive.
    static void Settle() { QApplication::processEvents(); }

    TApplicationScope scope;
    std::shared_ptr<TRecordingPresenter> recorder = std::make_shared<TRecordingPresenter>();
    TPresenterScope presenterScope{recorder};
    TForm* form = nullptr;
    TwwDBComboBox* combo = nullptr;
};

TEST_F(DropDownTest, NewControlHoldsOneEmptyItemAndItemsKeepInsertionOrder)
{
    EXPECT_EQ(Shown(), QStringList{QString()});
    EXPECT_EQ(combo->Text(), QString());

    combo->Items()->Clear();
    for (const char* name : {"zeta", "Alpha", "mid", "beta"})
        combo->Items()->Add(QString::fromLatin1(name));
    EXPECT_EQ(Shown(), QStringList{QString()}) << "the list changes only when applied";

    combo->ApplyList();
    combo->SetItemIndex(0);
    EXPECT_EQ(Shown(), (QStringList{"zeta", "Alpha", "mid", "beta"}));
    EXPECT_EQ(combo->Text(), QStringLiteral("zeta"));
    EXPECT_FALSE(Qt()->isEditable());
}

TEST_F(DropDownTest, CloseUpFiresOnEveryClosingAfterThePickIsApplied)
{
    SetItems({"prod", "test", "archive"});
    std::vector<std::pair<bool, QString>> closings;
    combo->OnCloseUp = [&](TObject* sender, bool select) {
        EXPECT_EQ(sender, combo);
        closings.emplace_back(select, combo->Text());
    };

    // Opened and closed without touching the list.
    combo->DropDown();
    ASSERT_TRUE(combo->DroppedDown());
    combo->CloseUp();
    Settle();
    // Opened, and the item already shown picked again.
    combo->DropDown();
    PressKey(Qt()->view(), Qt::Key_Return);
    Settle();
    // Opened, moved down one row and picked: the handler sees the new text.
    combo->DropDown();
    PressKey(Qt()->view(), Qt::Key_Down);
    PressKey(Qt()->view(), Qt::Key_Return);
    Settle();
    // Dismissed with Esc.
    combo->DropDown();
    PressKey(Qt()->view(), Qt::Key_Escape);
    Settle();

    const std::vector<std::pair<bool, QString>> expected{
        {false, "prod"}, {true, "prod"}, {true, "test"}, {false, "test"}};
    EXPECT_EQ(closings, expected);
    EXPECT_FALSE(combo->DroppedDown());
}

TEST_F(DropDownTest, KeysReachOnKeyDownAndStillWork)
{
    SetItems({"alpha", "beta", "gamma"});
    std::vector<Word> keys;
    combo->OnKeyDown = [&](TObject* sender, Word& key, TShiftState) {
        EXPECT_EQ(sender, combo);
        keys.push_back(key);
        combo->DropDown();   // what the main window does with any key
    };

    PressKey(Qt(), Qt::Key_B, QStringLiteral("b"));
    EXPECT_TRUE(combo->DroppedDown()) << "a letter opens the list";
    EXPECT_EQ(combo->Text(), QStringLiteral("beta")) << "the letter was not swallowed";
    combo->CloseUp();
    Settle();

    PressKey(Qt(), Qt::Key_Down);
    EXPECT_TRUE(combo->DroppedDown()) << "an arrow opens the list";
    combo->CloseUp();
    Settle();

    EXPECT_EQ(keys, (std::vector<Word>{Word('B'), VK_DOWN}));
}

TEST_F(DropDownTest, TypingSelectsTheMatchingItemAndTheTextStaysAnItem)
{
    SetItems({"alpha", "mars", "mid"});
    struct Step {
        const char* typed;
        const char* shown;
    };
    // Typed quickly, letters add up to one search; a letter that matches
    // nothing leaves the item shown.
    const Step steps[] = {{"m", "mars"}, {"i", "mid"}, {"x", "mid"}};
    for (const Step& step : steps) {
        TypeText(Qt(), QString::fromLatin1(step.typed));
        EXPECT_EQ(combo->Text(), QString::fromLatin1(step.shown)) << "after typing " << step.typed;
    }

    combo->SetText(QStringLiteral("not an item"));
    EXPECT_EQ(combo->Text(), QStringLiteral("mid"));
    EXPECT_THROW(combo->SetItemIndex(3), EListError);
    PressKey(Qt(), Qt::Key_Delete);
    EXPECT_EQ(combo->Text(), QStringLiteral("mid")) << "no key clears the text";
}

TEST_F(DropDownTest, TwentyFiveRowsShowWhenDropped)
{
    QStringList names;
    for (int i = 0; i < 40; ++i)
        names.append(QStringLiteral("alias%1").arg(i, 2, 10, QLatin1Char('0')));
    SetItems(names);
    EXPECT_EQ(combo->DropDownCount(), 25);

    combo->DropDown();
    QAbstractItemView* view = Qt()->view();
    int fullyVisible = 0;
    for (int row = 0; row < Qt()->count(); ++row)
        if (view->viewport()->rect().contains(view->visualRect(Qt()->model()->index(row, 0))))
            ++fullyVisible;
    combo->CloseUp();
    Settle();
    EXPECT_EQ(fullyVisible, 25);
}

TEST(DropDownDefinition, ItemsAndTextComeFromTheDefinitionAndOtherStylesAreRefused)
{
    TApplicationScope scope;
    std::unique_ptr<TComponent> root(ReadComponent(QStringLiteral(R"(object F: TForm
  object C: TwwDBComboBox
    Text = 'beta'
    Items.Strings = (
      'gamma'
      'beta'
      'alpha')
  end
end
)"),
                                                   nullptr));
    auto* combo = dynamic_cast<TwwDBComboBox*>(root->FindComponent(QStringLiteral("C")));
    ASSERT_NE(combo, nullptr);
    EXPECT_EQ(combo->Text(), QStringLiteral("beta"));
    EXPECT_EQ(combo->ItemIndex(), 1);

    for (const char* line : {"Style = csDropDown", "Sorted = True", "AllowClearKey = True"}) {
        const QString text = QStringLiteral("object F: TForm\n  object C: TwwDBComboBox\n    %1\n  end\nend\n")
                                 .arg(QLatin1String(line));
        try {
            delete ReadComponent(text, nullptr);
            ADD_FAILURE() << "accepted " << line;
        } catch (const EReadError& error) {
            EXPECT_EQ(error.Line(), 3) << line;
            EXPECT_TRUE(error.Message().contains(QStringLiteral("not yet supported"))) << error.what();
        }
    }
}

TEST_F(DropDownTest, RefusesWhatAListOnlyDropDownCannotBe)
{
    EXPECT_THROW(combo->SetStyle(csDropDown), EPropertyError);
    EXPECT_THROW(combo->SetSorted(true), EPropertyError);
    EXPECT_THROW(combo->SetAllowClearKey(true), EPropertyError);
    EXPECT_NO_THROW(combo->SetStyle(csDropDownList));
}

} // namespace
