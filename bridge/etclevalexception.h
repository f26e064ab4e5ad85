#pragma once

#include "exception.h"

// A failed evaluation in an in-process interpreter; the message is the
// interpreter's result at that moment (possibly empty, e.g. after a bare break).
class ETclEvalException : public Exception {
public:
    using Exception::Exception;
};
