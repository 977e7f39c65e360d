// The text of the signature format error that run raises, or "no error".
#pragma once

#include <string>

#include "common/errors.h"

template <typename TRun>
std::string FormatErrorOf(TRun&& run)
{
    try {
        run();
    } catch (const TSignatureFormatError& e) {
        return e.what();
    }
    return "no error";
}
