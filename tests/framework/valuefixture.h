// Base of the value-type tests: every test starts from the fixed invariant
// format settings ('.' decimals, "yyyy-mm-dd") and gets the global settings
// back afterwards, whatever the system locale or the test changed.
#pragma once

#include "framework/formatsettings.h"

#include <gtest/gtest.h>

class InvariantFormats : public ::testing::Test {
protected:
    void SetUp() override { FormatSettings() = TFormatSettings::Invariant(); }

private:
    TFormatSettingsGuard mGuard;
};
