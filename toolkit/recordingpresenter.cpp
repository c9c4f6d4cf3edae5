#include "toolkit/recordingpresenter.h"

namespace {

TModalResult DefaultAnswer(TMsgDlgButtons buttons)
{
    if (buttons.Empty() || buttons.Contains(mbOK))
        return mrOk;
    for (TMsgDlgBtn button : {mbYes, mbNo, mbCancel, mbAbort, mbRetry, mbIgnore})
        if (buttons.Contains(button))
            return ModalResultOfButton(button);
    return mrOk;
}

} // namespace

TModalResult TRecordingPresenter::MessageBox(const TMessageRequest& request)
{
    mRequests.append(request);
    if (mAnswers.empty())
        return DefaultAnswer(request.buttons);
    TModalResult answer = mAnswers.front();
    mAnswers.pop_front();
    return answer;
}

QStringList TRecordingPresenter::ErrorTexts() const
{
    QStringList texts;
    for (const TMessageRequest& request : mRequests)
        if (request.isErrorBox)
            texts.append(request.text);
    return texts;
}

QStringList TRecordingPresenter::MessageTexts() const
{
    QStringList texts;
    for (const TMessageRequest& request : mRequests)
        if (!request.isErrorBox)
            texts.append(request.text);
    return texts;
}

TFileDialogAnswer TRecordingPresenter::FileDialog(TFileDialogRequest& request)
{
    if (request.shown)
        request.shown();
    mFileRequests.append(request);
    if (mFileAnswers.empty())
        return {};
    TFileDialogAnswer answer = mFileAnswers.front();
    mFileAnswers.pop_front();
    return answer;
}
