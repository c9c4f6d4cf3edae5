// A small form read from tests/toolkit/data/testform.dfm, with published
// fields and handlers whose behaviour each test chooses.
#pragma once

#include "toolkit/forms.h"
#include "toolkit/stdctrls.h"
#include "toolkit/wwdbcombobox.h"

#include <functional>

class TTestForm : public TForm {
    VARNEL_DECLARE_CLASS(TTestForm, TForm)

public:
    explicit TTestForm(TComponent* owner);

    TLabel* LabelAlias = nullptr;
    TEdit* EditSource = nullptr;
    TButton* Browse = nullptr;
    TwwDBComboBox* Alias = nullptr;
    TButton* Quit = nullptr;

    void FormCreate(TObject* Sender);
    void EditSourceChange(TObject* Sender);
    void BrowseClick(TObject* Sender);
    void QuitClick(TObject* Sender);
    void AliasCloseUp(TObject* Sender, bool Select);
    void AliasKeyDown(TObject* Sender, Word& Key, TShiftState Shift);

    // What the handlers do; set before the form is created.
    static inline std::function<void(TTestForm&)> sOnCreate;
    std::function<void()> onBrowse;
    std::function<void()> onQuit;
    std::function<void(bool)> onCloseUp;
    std::function<void(Word&, TShiftState)> onKeyDown;
    int changes = 0;
};

QString TestData(const QString& name);
