#include "IntakeQueue.h"

#include <QCoreApplication>

#include <memory>

namespace QzMultiMedia {

IntakeQueue* IntakeQueue::instance()
{
    static IntakeQueue* s_pinstance = new IntakeQueue();
    return s_pinstance;
}

IntakeQueue::IntakeQueue()
{
    // One reader: hand-overs are read one after another, so they also come back in order.
    m_pool.setMaxThreadCount(1);
    if (QCoreApplication* app = QCoreApplication::instance())
        QObject::connect(app, &QCoreApplication::aboutToQuit, &m_context, [this] { cancel(); });
}

void IntakeQueue::submit(bool needsDisk, const Read& read, const Apply& apply)
{
    if (!needsDisk && m_nPending == 0) {
        ListedTags titles;
        const QList<QUrl> songs = read(&titles, nullptr);
        apply(songs, titles);
        return;
    }
    ++m_nPending;
    m_pool.start([this, read, apply] {
        readInBackground();
        auto titles = std::make_shared<ListedTags>();
        auto songs = std::make_shared<QList<QUrl>>(read(titles.get(), &m_bCancelled));
        QMetaObject::invokeMethod(
            &m_context,
            [this, apply, songs, titles] {
                --m_nPending;
                if (!m_bCancelled)
                    apply(*songs, *titles);
            },
            Qt::QueuedConnection);
    });
}

bool IntakeQueue::isBusy() const
{
    return m_nPending > 0;
}

// The reader checks between entries, so it stops within a moment; lists are regular files of bounded size, and
// nothing it reads can block.
void IntakeQueue::cancel()
{
    m_bCancelled = true;
    m_pool.waitForDone(2000);
}

} // namespace QzMultiMedia
