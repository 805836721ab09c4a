#include "browser/ThumbnailQueue.h"

#include "pictures/PictureService.h"
#include "pictures/SharedThumbnails.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>
#include <algorithm>

namespace browser {

namespace {

bool sameJob(const ThumbnailJob& a, const ThumbnailJob& b) {
    return a.drawn == b.drawn && a.deviceRatio == b.deviceRatio && a.stamp == b.stamp &&
           a.path == b.path;
}

} // namespace

Thumbnail MakeThumbnail(const ThumbnailJob& job, const std::atomic<bool>& stop) {
    // Another program of the desktop may have made this one already: no decoding then.
    // Only for the plug-ins' pictures, whose outcome such a thumbnail cannot contradict
    // (a cut bitmap has no picture, whatever another program made of it).
    const pictures::FileKind kind = pictures::KindOf(job.path);
    const qreal ratio = std::max<qreal>(1.0, job.deviceRatio);
    const QSize device = pictures::DeviceSize(job.drawn, ratio);
    const auto drawnAtRatio = [&](QImage image) {
        if (image.size() != device)
            image = image.scaled(device, Qt::IgnoreAspectRatio, Qt::FastTransformation);
        image.setDevicePixelRatio(ratio);
        return image;
    };
    if ((kind == pictures::FileKind::Gif || kind == pictures::FileKind::Jpeg) &&
        !job.header.isEmpty()) {
        QImage shared = pictures::LoadSharedThumbnail(job.path, job.header, device);
        if (!shared.isNull())
            return {drawnAtRatio(std::move(shared)), job.header, true};
    }
    if (stop.load())
        return {QImage(), QSize(0, 0), false};
    // Without a drawn size only the picture's own size is wanted: the smallest decode. The
    // drawn size already has the picture's proportions, so each side bounded on its own
    // gives exactly the device size, with nothing to resample afterwards.
    const QSize ask = job.drawn.isEmpty() ? QSize(1, 1) : device;
    pictures::Picture picture =
        pictures::LoadPicture(job.path, {ask, pictures::Fit::EachSide, &stop});
    if (stop.load())
        return {QImage(), QSize(0, 0), false};
    if (picture.image.isNull() || job.drawn.isEmpty())
        return {QImage(), picture.image.isNull() ? QSize(0, 0) : picture.size, true};
    return {drawnAtRatio(std::move(picture.image)), picture.size, true};
}

ThumbnailQueue::ThumbnailQueue(int workers, QObject* parent)
    : QObject(parent), Make(&MakeThumbnail),
      workers_(workers > 0 ? workers : std::max(1, QThread::idealThreadCount())) {
    pool_.setMaxThreadCount(workers_);
    // Workers stay a while, so paging does not start threads again and again.
    pool_.setExpiryTimeout(30000);
}

ThumbnailQueue::~ThumbnailQueue() {
    {
        const QMutexLocker lock(&mutex_);
        closing_ = true;
        waiting_.clear();
        for (const auto& r : running_)
            r->stop = true;
    }
    pool_.waitForDone();
}

void ThumbnailQueue::Want(std::vector<ThumbnailJob> jobs) {
    const QMutexLocker lock(&mutex_);
    waiting_.clear();
    for (const auto& r : running_)
        r->stop = true;
    for (ThumbnailJob& job : jobs) {
        const auto running = std::find_if(running_.begin(), running_.end(),
                                          [&](const auto& r) { return sameJob(r->job, job); });
        if (running != running_.end()) {
            (*running)->stop = false; // still wanted: let it finish
            continue;
        }
        if (std::none_of(waiting_.begin(), waiting_.end(),
                         [&](const ThumbnailJob& w) { return sameJob(w, job); }))
            waiting_.push_back(std::move(job));
    }
    StartWorkers();
}

void ThumbnailQueue::StartWorkers() {
    while (!closing_ && activeWorkers_ < workers_ &&
           size_t(activeWorkers_) < running_.size() + waiting_.size()) {
        ++activeWorkers_;
        pool_.start([this] { Work(); });
    }
}

void ThumbnailQueue::Work() {
    for (;;) {
        std::shared_ptr<Running> running;
        {
            const QMutexLocker lock(&mutex_);
            if (closing_ || waiting_.empty()) {
                --activeWorkers_;
                return;
            }
            running = std::make_shared<Running>();
            running->job = std::move(waiting_.front());
            waiting_.pop_front();
            running_.push_back(running);
        }
        Thumbnail made = Make(running->job, running->stop);
        {
            const QMutexLocker lock(&mutex_);
            running_.erase(std::find(running_.begin(), running_.end(), running));
            if (!made.done) {
                // Stopped, then asked for again before it noticed: it starts anew.
                if (!running->stop.load() && !closing_)
                    waiting_.push_front(std::move(running->job));
                continue;
            }
            // A finished picture is handed over even when no longer wanted: it is kept.
            ++undelivered_;
        }
        // Handed over on the queue's thread; dropped there if the queue is gone by then.
        QMetaObject::invokeMethod(
            this,
            [this, job = std::move(running->job), made = std::move(made)] {
                --undelivered_;
                emit ready(job, made);
            },
            Qt::QueuedConnection);
    }
}

bool ThumbnailQueue::IsIdle() const {
    const QMutexLocker lock(&mutex_);
    return waiting_.empty() && running_.empty() && undelivered_.load() == 0;
}

bool ThumbnailQueue::WaitUntilIdle(int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    while (!IsIdle()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

} // namespace browser
