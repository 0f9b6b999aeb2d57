#pragma once

#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

#include <QList>
#include <QString>

#include "RenderStore.h"

class MediaStore;

// Finishes renders when they fall due: one background thread that draws each distinct shot's
// clip once with ffmpeg, stores it in the media store and marks the take "succeeded" (or
// "failed", for a share of takes set by `failureRate`, or when ffmpeg fails).
class RenderWorker {
public:
    RenderWorker(RenderStore &store, MediaStore &media, double failureRate);
    ~RenderWorker(); // waits for the clip being drawn, leaves the rest "rendering" for next time
    RenderWorker(const RenderWorker &) = delete;
    RenderWorker &operator=(const RenderWorker &) = delete;

    void schedule(const RenderStore::Pending &render);

private:
    void run();
    void finish(const RenderStore::Pending &render);

    RenderStore &m_store;
    MediaStore &m_media;
    const double m_failureRate;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::multimap<qint64, RenderStore::Pending> m_queue; // by due time
    std::map<QString, QString> m_clips;                  // shot id + model → content address
    bool m_stopping = false;
    std::thread m_thread; // last: started once everything above exists
};
