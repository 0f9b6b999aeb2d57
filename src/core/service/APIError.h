#pragma once

#include "core/UserFacingError.h"

// The service refused a request or answered in a way the client cannot use. The message is shown
// to the user exactly as it stands: the service's own `error` text when it sent one.
class APIError : public UserFacingError {
public:
    using UserFacingError::UserFacingError;
};
