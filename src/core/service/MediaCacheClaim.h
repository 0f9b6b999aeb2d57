#pragma once

// The outcome of claiming an address for download: whether this caller is the one to download
// it, and whether it is the first caller of the process, which trims the cache.
struct MediaCacheClaim {
    bool claimed = false;
    bool shouldTrim = false;

    bool operator==(const MediaCacheClaim &) const = default;
};
