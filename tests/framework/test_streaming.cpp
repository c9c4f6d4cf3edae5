// Window definitions: reading into components, writing them back, errors.
#include "fixtures.h"
#include "tests/support/testsupport.h"

#include <QFile>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace {

// Every kind, in the form the writer produces (so a read-write round trip
// must give this text back exactly).
const char* const kCanonical = R"(object Form1: TTestForm
  Tag = 7
  object Button1: TTestWidget
    Caption = 'It''s '#233't'#233' #1'
    Width = 120
    Visible = False
    Ratio = 0.1
    Big = 5000000000
    Letter = '#'
    Shade = shRaised
    Style = [stBold, stUnderline]
    Glyph = {
      00FF10}
    Active = True
    Lines.Strings = (
      'SELECT *'
      ''
      'FROM t')
    Font.Name = 'MS Sans Serif'
    Font.Height = -19
    Font.Style = [stItalic]
    Font.Color = clRed
    Items = <
      item
        Name = 'first'
        Size = 3
        Shade = shLowered
      end
      item
        Name = 'second'
        Shade = shFlat
      end>
    Buddy = Panel1
    OnClick = ButtonClick
    OnAccept = AcceptNothing
    Data = {
      DEADBEEF}
    ParamData = <
      item
        Name = 'Destination'
        Shade = shFlat
      end>
  end
  object Panel1: TTestWidget
    Buddy = Button1
    ParamData = <>
    object Inner: TTestWidget
      Caption = 'nested'
      StoreActive = False
      ParamData = <>
    end
  end
end
)";

class StreamingTest : public ::testing::Test {
protected:
    void SetUp() override { EventLog().clear(); }
    void TearDown() override { SetEventGuard(nullptr); }
};

TEST_F(StreamingTest, EveryKindReadsIntoTheComponents) {
    TTestForm form(nullptr);
    ReadRootComponent(QString::fromUtf8(kCanonical), &form);
    EXPECT_EQ(form.Name(), "Form1");
    EXPECT_EQ(form.Tag(), 7);
    ASSERT_NE(form.Button1, nullptr);
    ASSERT_NE(form.Panel1, nullptr);
    TTestWidget& b = *form.Button1;
    EXPECT_EQ(b.Caption(), QString::fromUtf8("It's \u00e9t\u00e9 #1"));
    EXPECT_EQ(b.Width(), 120);
    EXPECT_FALSE(b.Visible());
    EXPECT_DOUBLE_EQ(b.Ratio(), 0.1);
    EXPECT_EQ(b.Big(), 5000000000LL);
    EXPECT_EQ(b.Letter(), QChar(u'#'));
    EXPECT_EQ(b.Shade(), shRaised);
    EXPECT_EQ(b.Style(), TStyle({stBold, stUnderline}));
    EXPECT_EQ(b.Glyph(), QByteArray::fromHex("00FF10"));
    EXPECT_TRUE(b.Active());
    EXPECT_EQ(b.Lines()->ToStringList(), QStringList({"SELECT *", "", "FROM t"}));
    EXPECT_EQ(b.Font()->Name(), "MS Sans Serif");
    EXPECT_EQ(b.Font()->Height(), -19);
    EXPECT_EQ(b.Font()->Style(), TStyle({stItalic}));
    EXPECT_EQ(b.Font()->Color(), clRed);
    ASSERT_EQ(b.Items()->Count(), 2);
    auto* second = static_cast<TTestItem*>(b.Items()->Items(1));
    EXPECT_EQ(second->Name(), "second");
    EXPECT_EQ(second->Size(), 0);
    EXPECT_EQ(static_cast<TTestItem*>(b.Items()->Items(0))->Shade(), shLowered);
    EXPECT_EQ(b.Buddy(), form.Panel1);
    EXPECT_EQ(b.Data(), QByteArray::fromHex("DEADBEEF"));
    ASSERT_EQ(b.Params()->Count(), 1);
    EXPECT_EQ(static_cast<TTestItem*>(b.Params()->Items(0))->Name(), "Destination");

    auto* inner = static_cast<TTestWidget*>(form.FindComponent("Inner"));
    ASSERT_NE(inner, nullptr);
    EXPECT_EQ(inner->Owner(), &form) << "nested objects are owned by the root";
    EXPECT_EQ(inner->GetParentComponent(), form.Panel1);
    EXPECT_EQ(form.Panel1->GetParentComponent(), &form);
    EXPECT_EQ(form.Panel1->Buddy(), form.Button1);
}

TEST_F(StreamingTest, WritingGivesTheCanonicalTextBackAndReadingItAgainChangesNothing) {
    const QString canonical = QString::fromUtf8(kCanonical);
    TTestForm first(nullptr);
    ReadRootComponent(canonical, &first);
    const QString written = WriteComponent(&first);
    EXPECT_EQ(written, canonical);

    TTestForm second(nullptr);
    ReadRootComponent(written, &second);
    EXPECT_EQ(WriteComponent(&second), canonical);

    // The states the components went through on the way.
    EXPECT_EQ(first.Button1->StateAtCaption(), TComponentState({csLoading, csReading}));
    EXPECT_EQ(first.Button1->StateWhenWritten(), TComponentState({csWriting}));
    EXPECT_TRUE(first.Button1->ComponentState().Empty());
}

TEST_F(StreamingTest, DefaultsAndStoredWhenAreHonouredByTheWriter) {
    TTestForm form(nullptr);
    form.SetName("F");
    auto* plain = new TTestWidget(&form);
    plain->SetName("Plain");
    auto* inactive = new TTestWidget(&form);
    inactive->SetName("Inactive");
    inactive->SetActive(true);
    inactive->SetStoreActive(false);
    inactive->Font()->SetColor(0x123456);  // no name for it: written as a number
    const QString text = WriteComponent(&form);
    EXPECT_EQ(text, QStringLiteral("object F: TTestForm\n"
                                   "  object Plain: TTestWidget\n"
                                   "    ParamData = <>\n"
                                   "  end\n"
                                   "  object Inactive: TTestWidget\n"
                                   "    StoreActive = False\n"
                                   "    Font.Color = 1193046\n"
                                   "    ParamData = <>\n"
                                   "  end\n"
                                   "end\n"));
}

TEST_F(StreamingTest, LooseSpellingsReadTheSameAsTheCanonicalOnes) {
    const char* loose = R"(object Form1: TTestForm
  object Button1: TTestWidget
    Caption = 'It''s '#$E9'th'#39's' +
      ' long'
    Width = $78
    Ratio = 1
    visible = true
    Lines = ('a' 'b')
    Font.Color = 255
    WaitCursor = crHourGlass
  end
  object Panel1: TTestWidget
    WaitCursor = -11
    Buddy = Form1.Button1
  end
end
)";
    TTestForm form(nullptr);
    ReadRootComponent(QString::fromUtf8(loose), &form);
    TTestWidget& b = *form.Button1;
    EXPECT_EQ(b.Caption(), QString::fromUtf8("It's \u00e9th's long"));
    EXPECT_EQ(b.Width(), 120);
    EXPECT_DOUBLE_EQ(b.Ratio(), 1.0);
    EXPECT_TRUE(b.Visible());
    EXPECT_EQ(b.Lines()->ToStringList(), QStringList({"a", "b"}));
    EXPECT_EQ(b.Font()->Color(), clRed);
    EXPECT_EQ(form.Panel1->Buddy(), form.Button1);
    const QString written = WriteComponent(&form);
    EXPECT_TRUE(written.contains("Font.Color = clRed")) << written.toStdString();
    EXPECT_FALSE(written.contains("WaitCursor")) << "read for old definitions, never written";
    EXPECT_FALSE(written.contains("Data = {")) << "no data, no entry";
}

TEST_F(StreamingTest, ComponentsAreLoadingFromTheirConstructorUntilLoadedWhichRunsAfterEverythingWasRead) {
    const char* text = R"(object Form1: TTestForm
  object First: TTestWidget
    Buddy = Last
  end
  object Middle: TTestWidget
  end
  object Last: TTestWidget
    Buddy = First
  end
end
)";
    TTestForm form(nullptr);
    ReadRootComponent(QString::fromUtf8(text), &form);
    ASSERT_EQ(form.ComponentCount(), 3);
    EXPECT_EQ(EventLog().filter("Loaded"), QStringList({"Loaded First", "Loaded Middle", "Loaded Last"}));
    for (int i = 0; i < form.ComponentCount(); ++i) {
        auto* w = static_cast<TTestWidget*>(form.Components(i));
        SCOPED_TRACE(w->Name().toStdString());
        EXPECT_TRUE(w->LoadingInConstructor());
        EXPECT_EQ(w->LoadedCount(), 1);
        EXPECT_FALSE(w->LoadingInsideLoaded()) << "the base Loaded clears csLoading";
        EXPECT_EQ(w->OwnerCountAtLoaded(), 3) << "Loaded only after the whole definition";
        EXPECT_TRUE(w->ComponentState().Empty());
    }
    auto* first = static_cast<TTestWidget*>(form.Components(0));
    EXPECT_EQ(first->BuddyAtLoaded(), "Last") << "forward reference resolved before Loaded";
    EXPECT_FALSE(form.IsLoading());
    // Components the loaded ones create later are not loading.
    EXPECT_FALSE((new TTestWidget(&form))->LoadingInConstructor());
}

TEST_F(StreamingTest, EventsBindToTheRootsMethodsRunThroughTheGuardAndKeepTheirArguments) {
    const char* text = R"(object Form1: TTestForm
  object Button1: TTestWidget
    OnClick = ButtonClick
    OnAccept = AcceptNothing
  end
  object Panel1: TTestWidget
    OnClick = Explode
  end
end
)";
    TTestForm form(nullptr);
    ReadRootComponent(QString::fromUtf8(text), &form);
    QStringList guarded;
    SetEventGuard([&](const std::function<void()>& handler) {
        try {
            handler();
            guarded.append("ok");
        } catch (const Exception& e) {
            guarded.append(e.Message());
        }
    });
    form.Button1->OnClick(form.Button1);
    bool accept = true;
    form.Button1->OnAccept(form.Button1, accept);
    EXPECT_FALSE(accept) << "in/out arguments reach the caller";
    form.Panel1->OnClick(form.Panel1);  // throws inside: the guard catches it
    EXPECT_EQ(form.clicks, QStringList({"Button1"}));
    EXPECT_EQ(guarded, QStringList({"ok", "ok", "boom"}));
    EXPECT_EQ(form.Button1->EventMethodName("OnClick"), "ButtonClick");

    // Without a guard the exception leaves the handler.
    SetEventGuard(nullptr);
    EXPECT_THROW(form.Panel1->OnClick(form.Panel1), Exception);

    // A handler cleared in code is not written back.
    form.Button1->OnAccept = nullptr;
    const QString written = WriteComponent(&form);
    EXPECT_TRUE(written.contains("OnClick = ButtonClick"));
    EXPECT_FALSE(written.contains("OnAccept"));
}

TEST_F(StreamingTest, ReadComponentCreatesTheRootFromTheRegistryAndAFileRoundTrips) {
    testsupport::TempFolder folder;
    const QString fileName = folder.file("Form1.txt");
    {
        TTestForm form(nullptr);
        ReadRootComponent(QString::fromUtf8(kCanonical), &form);
        WriteComponentFile(&form, fileName);
    }
    TTestForm fromFile(nullptr);
    ReadRootComponentFile(fileName, &fromFile);
    EXPECT_EQ(fromFile.Button1->Font()->Name(), "MS Sans Serif");

    std::unique_ptr<TComponent> created(ReadComponent(WriteComponent(&fromFile), nullptr));
    ASSERT_NE(dynamic_cast<TTestForm*>(created.get()), nullptr);
    EXPECT_EQ(WriteComponent(created.get()), WriteComponent(&fromFile));

    try {
        ReadRootComponentFile(folder.file("missing.txt"), &fromFile);
        FAIL() << "a missing file must raise";
    } catch (const EReadError& e) {
        EXPECT_TRUE(e.Message().contains("missing.txt")) << e.what();
    }
}

TEST_F(StreamingTest, DefinitionFilesAreReadAsUtf8OrElseInTheSystemCodePage) {
    testsupport::TempFolder folder;
    struct Case {
        const char* file;
        QByteArray bytes;
    } cases[] = {
        {"utf8.txt", QByteArray("object F: TTestForm\n  object Button1: TTestWidget\n    Caption = 'R\xC3\xA9sum\xC3\xA9 \xE2\x82\xAC'\n  end\nend\n")},
        {"ansi.txt", QByteArray("object F: TTestForm\n  object Button1: TTestWidget\n    Caption = 'R\xE9sum\xE9 \x80'\n  end\nend\n")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        TTestForm form(nullptr);
        ReadRootComponentFile(folder.write(c.file, c.bytes), &form);
        EXPECT_EQ(form.Button1->Caption(), QString::fromUtf16(u"R\u00e9sum\u00e9 \u20ac"));
    }
}

TEST_F(StreamingTest, AFailedWriteLeavesTheOldFileIntact) {
    testsupport::TempFolder folder;
    const QString fileName = folder.write("Form1.txt", "old contents\n");
    TTestForm form(nullptr);
    form.SetName("Form1");
    auto* w = new TTestWidget(&form);
    w->SetRatio(std::nan(""));  // cannot be written
    EXPECT_THROW(WriteComponentFile(&form, fileName), EWriteError);
    QFile file(fileName);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("old contents\n"));
    EXPECT_THROW(WriteComponentFile(&form, folder.file("no/such/folder/x.txt")), EWriteError);
}

// Each bad definition names the line, the component and the property, and
// leaves the form as it was: no component created, no field set.
TEST_F(StreamingTest, BadDefinitionsRaiseNamingLineComponentAndProperty) {
    struct Case {
        const char* body;      // inside "object Form1: TTestForm\n" ... "end\n"
        int line;
        const char* expected;  // parts of the message
        const char* also;
    } cases[] = {
        {"  object Button1: TNoSuch\n  end\n", 2, "Error reading Button1 at line 2", "class TNoSuch not found"},
        {"  object Button1: TTestWidget\n    Widht = 5\n  end\n", 3, "Button1.Widht", "does not exist"},
        {"  object Button1: TTestWidget\n    Width = 'abc'\n  end\n", 3, "Button1.Width", "expected an integer, found a string"},
        {"  object Button1: TTestWidget\n    Width = 99999999999\n  end\n", 3, "Button1.Width", "not within"},
        {"  object Button1: TTestWidget\n    Shade = shPurple\n  end\n", 3, "Button1.Shade", "shPurple is not one of"},
        {"  object Button1: TTestWidget\n    Style = [stBold, stNope]\n  end\n", 3, "Button1.Style", "stNope"},
        {"  object Button1: TTestWidget\n    Visible = 1\n  end\n", 3, "Button1.Visible", "True or False"},
        {"  object Button1: TTestWidget\n    Letter = 'ab'\n  end\n", 3, "Button1.Letter", "single character"},
        {"  object Button1: TTestWidget\n    Width.X = 1\n  end\n", 3, "Button1.Width", "no sub-properties"},
        {"  object Button1: TTestWidget\n    Font = 'x'\n  end\n", 3, "Button1.Font", "sub-properties"},
        {"  object Button1: TTestWidget\n    Font.Size = 8\n  end\n", 3, "Button1.Font.Size", "Size does not exist"},
        {"  object Button1: TTestWidget\n    ItemCount = 3\n  end\n", 3, "Button1.ItemCount", "read-only"},
        {"  object Button1: TTestWidget\n    Lines.Strings = ('a' 5)\n  end\n", 3, "Button1.Lines.Strings", "list of strings"},
        {"  object Button1: TTestWidget\n    Items = <\n      item\n        Size = x\n      end>\n  end\n", 5,
         "Button1.Items[0].Size", "expected an integer"},
        {"  object Button1: TTestWidget\n    Data = 'x'\n  end\n", 3, "Button1.Data", "binary data"},
        {"  object Button1: TTestWidget\n    Buddy = Ghost\n  end\n", 3, "Button1.Buddy", "component Ghost not found"},
        {"  object Button1: TTestWidget\n    Buddy = Form1\n  end\n", 3, "Button1.Buddy", "wrong class"},
        {"  object Button1: TTestWidget\n    OnClick = NoSuchMethod\n  end\n", 3, "Button1.OnClick",
         "method NoSuchMethod is not published by TTestForm"},
        {"  object Button1: TTestWidget\n    OnAccept = ButtonClick\n  end\n", 3, "Button1.OnAccept", "signature"},
        {"  object Button1: TTestWidget\n  end\n  object Button1: TTestWidget\n  end\n", 4, "Button1",
         "A component named Button1 already exists"},
        {"  object Panel1: TTestForm\n  end\n", 2, "Panel1", "field Panel1 of TTestForm is a TTestWidget"},
        // Syntax faults.
        {"  object Button1: TTestWidget\n    Width 5\n  end\n", 3, "Syntax error at line 3", "expected '='"},
        {"  object Button1: TTestWidget\n    Caption = 'abc\n  end\n", 3, "Syntax error at line 3", "closing quote"},
        {"  object Button1: TTestWidget\n    Glyph = { 0F1 }\n  end\n", 3, "Syntax error at line 3", "odd number"},
        {"  object Button1: TTestWidget\n    Style = [stBold stItalic]\n  end\n", 3, "Syntax error at line 3", "expected ']'"},
        {"  object Button1: TTestWidget\n    Width = 5\n", 5, "Syntax error at line 5", "expected 'end'"},
        {"  inherited Button1: TTestWidget\n  end\n", 2, "Syntax error at line 2", "not supported"},
        {"  object Button1: TTestWidget\n    Width = 1x\n  end\n", 3, "Syntax error at line 3", "malformed number"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.body);
        TTestForm form(nullptr);
        const QString text = QStringLiteral("object Form1: TTestForm\n") + QString::fromUtf8(c.body) + QStringLiteral("end\n");
        try {
            ReadRootComponent(text, &form);
            ADD_FAILURE() << "no error";
        } catch (const EReadError& e) {
            EXPECT_EQ(e.Line(), c.line) << e.what();
            EXPECT_TRUE(e.Message().contains(QString::fromUtf8(c.expected))) << e.what();
            EXPECT_TRUE(e.Message().contains(QString::fromUtf8(c.also))) << e.what();
        }
        EXPECT_EQ(form.ComponentCount(), 0);
        EXPECT_EQ(form.Button1, nullptr);
        EXPECT_EQ(form.Panel1, nullptr);
        EXPECT_FALSE(form.IsLoading());
    }
}

TEST_F(StreamingTest, RootOfAnotherClassOrUnknownClassIsRefused) {
    TTestForm form(nullptr);
    EXPECT_THROW(ReadRootComponent("object W: TTestWidget\nend\n", &form), EReadError);
    try {
        ReadComponent("object X: TNowhere\nend\n", nullptr);
        FAIL();
    } catch (const EReadError& e) {
        EXPECT_TRUE(e.Message().contains("class TNowhere not found")) << e.what();
    }
    // An ancestor's class name is fine for a root.
    EXPECT_NO_THROW(ReadRootComponent("object F: TComponent\nend\n", &form));
    EXPECT_EQ(form.Name(), "F");
}

TEST_F(StreamingTest, AFailingLoadedStillLoadsTheOthersAndIsRaisedAfterwards) {
    struct TThrowingLoaded : TTestWidget {
        using TTestWidget::TTestWidget;
        void Loaded() override {
            TTestWidget::Loaded();
            throw Exception(QStringLiteral("cannot connect"));
        }
    };
    TTestForm form(nullptr);
    auto* failing = new TThrowingLoaded(&form);  // reused by name by the reader
    failing->SetName("Button1");
    const char* text = "object Form1: TTestForm\n  object Button1: TTestWidget\n  end\n"
                       "  object Panel1: TTestWidget\n  end\nend\n";
    EXPECT_THROW(ReadRootComponent(QString::fromUtf8(text), &form), Exception);
    ASSERT_NE(form.Panel1, nullptr);
    EXPECT_EQ(form.Panel1->LoadedCount(), 1);
    EXPECT_FALSE(failing->IsLoading());
    EXPECT_FALSE(form.Panel1->IsLoading());
}

} // namespace
