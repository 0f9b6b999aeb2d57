#include "core/git/GitError.h"
