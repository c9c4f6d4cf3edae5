// The utility module: a non-visual container created right after the main
// window and living until the process ends.
#pragma once

#include "toolkit/forms.h"

class TWinOutils : public TDataModule {
    VARNEL_DECLARE_CLASS(TWinOutils, TDataModule)

public:
    explicit TWinOutils(TComponent* owner);
    ~TWinOutils() override;

    // The value of the process environment variable `Name`; the empty text
    // when it is unset or set to the empty value.
    QString GetEnvVar(const QString& Name) const;
};

extern TWinOutils* WinOutils;
