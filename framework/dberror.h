// The database error of the dataset framework: the base of every error that
// the data-access layer raises about connections, queries and datasets.
#pragma once

#include "platform/sysutils.h"

class EDatabaseError : public Exception {
public:
    using Exception::Exception;
    std::shared_ptr<Exception> Clone() const override { return std::make_shared<EDatabaseError>(*this); }
};
