#pragma once

#include "core/UserFacingError.h"

// A failure of version control or of a project's own files and rules (a manifest without a
// type, a deliverable that cannot be shipped, ...).
class GitError : public UserFacingError {
public:
    using UserFacingError::UserFacingError;
};
