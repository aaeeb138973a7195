// Another X client for the end-to-end tests: it offers files (or plain text) by drag and drop when pressed,
// as a file manager does, and it can photograph the screen.
//
//   drag_helper files <path>...   a window at (20, 200) that starts a drag of the files' URLs when pressed
//   drag_helper text              the same with plain text
//   drag_helper screenshot <png>  saves the whole screen and exits
//   drag_helper compositor        claims the compositing manager's selection, as one does when it starts, and
//                                 holds it until it is ended
#include <QApplication>
#include <QDrag>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>
#include <QUrl>

#include <cstdio>

#include <xcb/xcb.h>

class DragSource : public QLabel
{
public:
    explicit DragSource(QMimeData* (*make)(const QStringList&), QStringList args)
        : m_make(make)
        , m_args(std::move(args))
    {
        setText(QStringLiteral("drag me"));
        setAlignment(Qt::AlignCenter);
        setStyleSheet(QStringLiteral("background: #3060a0; color: white;"));
        setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
        setGeometry(20, 200, 120, 80);
    }

protected:
    void mousePressEvent(QMouseEvent*) override
    {
        auto* drag = new QDrag(this);
        drag->setMimeData(m_make(m_args));
        const Qt::DropAction action = drag->exec(Qt::CopyAction);
        std::printf("drop-result %d\n", int(action));
        std::fflush(stdout);
        // The target fetches the dropped data from us after the drop: stay a while to hand it over.
        hide();
        QTimer::singleShot(5000, qApp, &QApplication::quit);
    }

private:
    QMimeData* (*m_make)(const QStringList&);
    QStringList m_args;
};

static QMimeData* files(const QStringList& paths)
{
    auto* data = new QMimeData;
    QList<QUrl> urls;
    for (const QString& path : paths)
        urls << QUrl::fromLocalFile(path);
    data->setUrls(urls);
    return data;
}

static QMimeData* text(const QStringList&)
{
    auto* data = new QMimeData;
    data->setText(QStringLiteral("only some words"));
    return data;
}

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const QString mode = args.value(0);
    args = args.mid(1);
    if (mode == QLatin1String("screenshot"))
        return QGuiApplication::primaryScreen()->grabWindow(0).save(args.value(0)) ? 0 : 1;
    if (mode == QLatin1String("compositor")) {
        QWidget owner;
        xcb_connection_t* connection = app.nativeInterface<QNativeInterface::QX11Application>()->connection();
        const char name[] = "_NET_WM_CM_S0";
        xcb_intern_atom_reply_t* atom
            = xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, sizeof name - 1, name), nullptr);
        if (!atom)
            return 1;
        xcb_set_selection_owner(connection, xcb_window_t(owner.winId()), atom->atom, XCB_CURRENT_TIME);
        free(atom);
        xcb_flush(connection);
        std::printf("ready\n");
        std::fflush(stdout);
        return app.exec();
    }
    if (mode != QLatin1String("files") && mode != QLatin1String("text"))
        return 2;
    DragSource source(mode == QLatin1String("files") ? files : text, args);
    source.show();
    std::printf("ready\n");
    std::fflush(stdout);
    return app.exec();
}
