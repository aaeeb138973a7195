#pragma once

#include <QObject>

typedef struct _GstElement GstElement;

namespace QzMultiMedia {

// Says when a playing pipeline is heard reaching a moment of its run: a CUE track's border inside a file that
// plays on. The pipeline's clock says it: the run began at running time 0 where the last seek put it, and a
// moment of running time is heard when the clock reads the base time past it; at another speed than 1 the run's
// own time passes that much faster. The base time holds only while the pipeline plays: a pause or a seek lets the
// watch go, and the caller watches anew once it plays.
class BorderWatch_linux : public QObject
{
    Q_OBJECT

public:
    explicit BorderWatch_linux(QObject* parent = nullptr);
    ~BorderWatch_linux() override;

    // False, and nothing watched, where the pipeline does not play at this moment.
    bool watch(GstElement* pipeline, qint64 runMs, double speed);
    void cancel();
    bool isWatching() const;

signals:
    // Said on this object's thread.
    void reached();

private:
    void* m_pWait = nullptr; // the clock's wait (a GstClockID)
    quint64 m_nWatch = 0; // counts the waits made and let go: a wait that ended late is about another one
};

} // namespace QzMultiMedia
