#pragma once

#include "core/UserFacingError.h"

// An answer that was accepted by its status but whose JSON does not fit the expected record: a
// required key missing, or a value of the wrong JSON type. Deliberately not an APIError, so a
// caller can tell a refusal by the service from a broken answer.
class DecodingError : public UserFacingError {
public:
    using UserFacingError::UserFacingError;
};
