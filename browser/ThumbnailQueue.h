#pragma once
// Thumbnails made off the window's thread: worker threads turn picture files into
// QImages at the size an item draws them (never QPixmaps, which belong to the window's
// thread), most urgent first, and hand each back by a queued signal. What is no longer
// wanted is dropped before it starts, or told to stop while it runs.
#include "platform/FileProbe.h"

#include <QImage>
#include <QMutex>
#include <QObject>
#include <QSize>
#include <QString>
#include <QThreadPool>
#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

namespace browser {

struct ThumbnailJob {
    QString path;
    QSize drawn;               // the size the item draws the picture at (logical), in
                               // its own proportions
    QSize header;              // the picture's size as its header declares it
    platform::FileStamp stamp; // the file as it was when the job was asked for
    qreal deviceRatio = 1.0;   // the list's screen: the picture is made at its resolution
};

// What a worker made of a job.
struct Thumbnail {
    QImage image;     // the drawn size in device pixels, carrying the job's ratio; null
                      // when no picture can be made
    QSize picture;    // the picture's own pixel size (0x0 without a picture)
    bool done = true; // false when the job was stopped before it finished
};

class ThumbnailQueue : public QObject {
    Q_OBJECT
public:
    // Makes one thumbnail; runs on a worker thread, so it may only use what is safe
    // there. stop turns true when the job is no longer wanted.
    using Maker = std::function<Thumbnail(const ThumbnailJob& job, const std::atomic<bool>& stop)>;

    // workers: 0 for one per processor.
    explicit ThumbnailQueue(int workers = 0, QObject* parent = nullptr);
    ~ThumbnailQueue() override; // waits for the running jobs, which are told to stop

    // By default a thumbnail the desktop's shared cache already holds for a GIF or JPEG,
    // else the picture decoded at the drawn size. Set before the first job.
    Maker Make;

    // The jobs wanted now, most urgent first, in place of the earlier ones: a job already
    // running for the same file and size goes on, a waiting one not asked again is
    // dropped, a running one not asked again is told to stop (one that finishes all the
    // same is handed over).
    void Want(std::vector<ThumbnailJob> jobs);
    // No job waiting, running or with a result not yet handed over.
    bool IsIdle() const;
    // Hands results over (processing events) until idle; false after timeoutMs.
    bool WaitUntilIdle(int timeoutMs);
    int Workers() const { return workers_; }

signals:
    // A finished job, on the thread the queue lives in. Stopped jobs give nothing.
    void ready(const browser::ThumbnailJob& job, const browser::Thumbnail& thumbnail);

private:
    struct Running {
        ThumbnailJob job;
        std::atomic<bool> stop{false};
    };
    void Work();
    void StartWorkers(); // with mutex_ held

    const int workers_;
    mutable QMutex mutex_;
    std::deque<ThumbnailJob> waiting_;
    std::vector<std::shared_ptr<Running>> running_;
    int activeWorkers_ = 0;
    std::atomic<int> undelivered_{0};
    bool closing_ = false;
    QThreadPool pool_;
};

// The default maker: what Make starts as.
Thumbnail MakeThumbnail(const ThumbnailJob& job, const std::atomic<bool>& stop);

} // namespace browser
