#include "toolkit/dialogs.h"

#include "toolkit/application.h"

void ShowMessage(const QString& text)
{
    MessageDlg(text, mtCustom, {mbOK});
}

TModalResult MessageDlg(const QString& text, TMsgDlgType type, TMsgDlgButtons buttons)
{
    TMessageRequest request;
    request.text = text;
    request.caption = Application->Title();
    request.type = type;
    request.buttons = buttons;
    return Presenter().MessageBox(request);
}
