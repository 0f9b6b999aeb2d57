#include "RenderWorker.h"

#include <chrono>
#include <optional>

#include <QDateTime>
#include <QRandomGenerator>

#include "ClipRenderer.h"
#include "CutPricing.h"
#include "MediaStore.h"

RenderWorker::RenderWorker(RenderStore &store, MediaStore &media, double failureRate)
    : m_store(store)
    , m_media(media)
    , m_failureRate(failureRate)
    , m_thread([this] { run(); })
{
}

RenderWorker::~RenderWorker()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

void RenderWorker::schedule(const RenderStore::Pending &render)
{
    {
        const std::lock_guard lock(m_mutex);
        m_queue.emplace(render.dueMs, render);
    }
    m_wake.notify_all();
}

void RenderWorker::run()
{
    std::unique_lock lock(m_mutex);
    while (!m_stopping) {
        if (m_queue.empty()) {
            m_wake.wait(lock);
            continue;
        }
        const qint64 wait = m_queue.begin()->first - QDateTime::currentMSecsSinceEpoch();
        if (wait > 0) {
            m_wake.wait_for(lock, std::chrono::milliseconds(wait));
            continue;
        }
        const RenderStore::Pending render = m_queue.begin()->second;
        m_queue.erase(m_queue.begin());
        lock.unlock();
        finish(render);
        lock.lock();
    }
}

void RenderWorker::finish(const RenderStore::Pending &render)
{
    try {
        if (m_failureRate > 0 && QRandomGenerator::global()->generateDouble() < m_failureRate) {
            m_store.finish(render.id, std::nullopt, 0.0,
                           u"The demo renderer dropped this take (render failure rate %1)"_qs.arg(
                               m_failureRate));
            return;
        }
        const QString key = render.model + u'\n' + render.shotId;
        std::optional<QString> address;
        {
            const std::lock_guard lock(m_mutex);
            if (const auto found = m_clips.find(key); found != m_clips.end())
                address = found->second;
        }
        QString error;
        if (!address || !m_media.filePath(*address)) {
            const std::optional<QByteArray> clip =
                ClipRenderer::render(render.shotId, render.model, &error);
            if (clip)
                address = m_media.put(*clip);
            if (clip && !address)
                error = u"the media store could not keep the clip"_qs;
        }
        if (!address || !error.isEmpty()) {
            m_store.finish(render.id, std::nullopt, 0.0, error);
            return;
        }
        {
            const std::lock_guard lock(m_mutex);
            m_clips[key] = *address;
        }
        m_store.finish(render.id, address,
                       CutPricing::shotCost(render.durationSeconds, render.model), std::nullopt);
    } catch (const std::exception &) {
        // The database refused: the take stays "rendering" and is finished after a restart.
    }
}
