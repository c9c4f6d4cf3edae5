// A presenter that shows nothing: it keeps every request it receives, in
// order, and answers at once. Programs driven without an operator (tests, the
// headless demo) install it to read the exact texts the tool shows.
//
// Answers come from the queue filled by QueueAnswer, one per request; with
// the queue empty a box is answered with OK when it offers OK, otherwise with
// its first button (Yes before No, ...). File dialogs run their shown step,
// are kept (with the parts they hid) and answered from QueueFileAnswer, or
// cancelled when that queue is empty.
#pragma once

#include "toolkit/presenter.h"

#include <QList>
#include <deque>

class TRecordingPresenter : public TPresenter {
public:
    TModalResult MessageBox(const TMessageRequest& request) override;

    TFileDialogAnswer FileDialog(TFileDialogRequest& request) override;

    void QueueAnswer(TModalResult answer) { mAnswers.push_back(answer); }
    void QueueFileAnswer(const QString& fileName) { mFileAnswers.push_back({true, fileName}); }
    void QueueFileCancel() { mFileAnswers.push_back({false, QString()}); }
    const QList<TFileDialogRequest>& FileRequests() const { return mFileRequests; }

    const QList<TMessageRequest>& Requests() const { return mRequests; }
    // Texts of the error boxes only, in order.
    QStringList ErrorTexts() const;
    // Texts of the message boxes (not error boxes), in order.
    QStringList MessageTexts() const;
    void Clear() { mRequests.clear(); mFileRequests.clear(); }

private:
    QList<TMessageRequest> mRequests;
    std::deque<TModalResult> mAnswers;
    QList<TFileDialogRequest> mFileRequests;
    std::deque<TFileDialogAnswer> mFileAnswers;
};
