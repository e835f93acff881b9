// The error the highlighting framework raises when it is used against its
// construction rules (a scanner without a fountain, too many bracket items).
#pragma once

#include "errors/Errors.h"

namespace korvel {

// A highlighting framework object built against its rules.
class EFountainError : public EKorvelError {
public:
    using EKorvelError::EKorvelError;
    const char* kind() const noexcept override { return "EFountainError"; }
};

} // namespace korvel
