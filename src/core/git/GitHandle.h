#pragma once

#include <memory>

// Frees a libgit2 handle with the library's own `git_*_free` function.
template<auto Free>
struct GitFree {
    template<typename T>
    void operator()(T *handle) const
    {
        Free(handle);
    }
};

// An owned libgit2 handle, e.g. `GitHandle<git_index, git_index_free>`: the raw pointer an out
// parameter fills is handed to `reset()` right after the call, so it is freed on every path,
// including a GitError thrown half-way through an operation.
template<typename T, auto Free>
using GitHandle = std::unique_ptr<T, GitFree<Free>>;
