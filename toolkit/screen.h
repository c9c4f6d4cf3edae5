// The screen: the mouse cursor shown over every window of the program, and
// the size and resolution of the primary screen.
//
// Setting a cursor other than crDefault replaces the cursor of all windows
// until crDefault is set again; setting the same cursor twice changes
// nothing, so one crDefault always restores the normal cursor.
#pragma once

#include "framework/classes.h"

enum TCursor : int {
    crDefault = 0,
    crNone = -1,
    crArrow = -2,
    crCross = -3,
    crIBeam = -4,
    crSizeAll = -22,
    crHourGlass = -11,
    crNo = -18,
    crAppStart = -19,
    crHelp = -20,
    crHandPoint = -21,
    crSQLWait = -17,
};

class TScreen : public TComponent {
    VARNEL_DECLARE_CLASS(TScreen, TComponent)

public:
    explicit TScreen(TComponent* owner = nullptr);
    ~TScreen() override;

    TCursor Cursor() const { return mCursor; }
    void SetCursor(TCursor cursor);

    int Width() const;
    int Height() const;
    int PixelsPerInch() const;

private:
    TCursor mCursor = crDefault;
    bool mOverriding = false;
};

extern TScreen* Screen;
